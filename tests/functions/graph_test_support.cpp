#include "tests/functions/graph_test_support.h"

#include <sstream>

namespace corvane::testing {

namespace {

double single(double v) { return static_cast<float>(v); }

// Surface points in extended precision, so that the far ends of segments
// stay finite however large the map's values are.
struct Far {
    long double x, y;
};

Far farPoint(const Chart& c, double x, double y) {
    const long double left = c.left, right = c.right, top = c.top, bottom = c.bottom;
    return {right - (right - left) * (1 - static_cast<long double>(x)),
            top - (top - bottom) * (1 - static_cast<long double>(y))};
}

bool inBox(const Far& p) { return std::fabs(p.x) <= kBox && std::fabs(p.y) <= kBox; }

// Distance of (x, y) from the line through p and q.
long double distanceFromLine(const Far& p, const Far& q, double x, double y) {
    const long double dx = q.x - p.x, dy = q.y - p.y;
    const long double cross = dx * (y - p.y) - dy * (x - p.x);
    return std::fabs(cross) / std::sqrt(dx * dx + dy * dy);
}

// What is wrong with one end of a drawn segment, or the empty text.
std::string endMismatch(const char* which, double x, double y, const Far& self, double exactX,
                        double exactY, const Far& p, const Far& q) {
    std::ostringstream out;
    if (inBox(self)) {
        if (x != exactX || y != exactY) {
            out << which << " (" << x << ", " << y << ") instead of (" << exactX << ", " << exactY
                << ")";
        }
        return out.str();
    }
    // Cut at the box edge on the side where the point lies, on the segment's own line.
    const double edge = self.y > 0 ? kBox : -kBox;
    if (y != edge) out << which << " y " << y << " instead of the box edge " << edge;
    const long double off = distanceFromLine(p, q, x, y);
    if (off > 0.5L) out << which << " lies " << static_cast<double>(off) << " off its line";
    return out.str();
}

}  // namespace

std::vector<Graph> FunctionGraphs::drawnGraphs() {
    const auto ops = graphs().picture();
    std::vector<Graph> out;
    std::size_t i = 0;
    const auto take = [&](DrawOp::Kind kind) -> const DrawOp* {
        if (i < ops.size() && ops[i].kind == kind) return &ops[i++];
        return nullptr;
    };
    while (i < ops.size()) {
        Graph g;
        const std::size_t number = out.size() + 1;
        for (int n = 0; n < 2; ++n) {
            const DrawOp* axis = take(DrawOp::Kind::Line);
            if (!axis) {
                ADD_FAILURE() << "graph " << number << ": axis " << n + 1 << " missing";
                return out;
            }
            g.axes.push_back(*axis);
        }
        for (int n = 0; n < 6; ++n) {
            const DrawOp* label = take(DrawOp::Kind::Print);
            if (!label) {
                ADD_FAILURE() << "graph " << number << ": label " << n + 1 << " missing";
                return out;
            }
            g.labels.push_back(*label);
        }
        const DrawOp* diagonal = take(DrawOp::Kind::Line);
        if (!diagonal) {
            ADD_FAILURE() << "graph " << number << ": diagonal missing";
            return out;
        }
        g.diagonal = *diagonal;
        while (const DrawOp* segment = take(DrawOp::Kind::Line)) g.curve.push_back(*segment);
        const DrawOp* title = take(DrawOp::Kind::Print);
        if (!title) {
            ADD_FAILURE() << "graph " << number << ": title missing";
            return out;
        }
        g.title = title->text;
        out.push_back(g);
    }
    return out;
}

Graph FunctionGraphs::onlyGraph() {
    const auto all = drawnGraphs();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? Graph{} : all.front();
}

void FunctionGraphs::expectFrame(const Graph& g, const Chart& c) {
    ASSERT_EQ(g.axes.size(), 2u);
    const DrawOp& xAxis = g.axes[0];
    EXPECT_DOUBLE_EQ(xAxis.x1, c.left);
    EXPECT_DOUBLE_EQ(xAxis.y1, c.bottom);
    EXPECT_DOUBLE_EQ(xAxis.x2, c.right);
    EXPECT_DOUBLE_EQ(xAxis.y2, c.bottom);
    const DrawOp& yAxis = g.axes[1];
    EXPECT_DOUBLE_EQ(yAxis.x1, c.left);
    EXPECT_DOUBLE_EQ(yAxis.y1, c.bottom);
    EXPECT_DOUBLE_EQ(yAxis.x2, c.left);
    EXPECT_DOUBLE_EQ(yAxis.y2, c.top);

    struct Label {
        const char* text;
        double x, y;
    };
    const Label expected[] = {
        {"x", c.right + 50, c.bottom - 120}, {"y", c.left - 20, c.top - 220},
        {"0", c.left, c.bottom + 20},        {"0", c.left - 150, c.bottom - 120},
        {"1", c.right - 30, c.bottom + 20},  {"1", c.left - 120, c.top - 40},
    };
    ASSERT_EQ(g.labels.size(), 6u);
    for (std::size_t n = 0; n < 6; ++n) {
        SCOPED_TRACE("label " + std::to_string(n + 1));
        EXPECT_EQ(g.labels[n].text, expected[n].text);
        EXPECT_EQ(g.labels[n].x1, single(expected[n].x));
        EXPECT_EQ(g.labels[n].y1, single(expected[n].y));
    }

    EXPECT_EQ(g.diagonal.x1, single(c.left));
    EXPECT_EQ(g.diagonal.y1, single(c.bottom));
    EXPECT_EQ(g.diagonal.x2, single(c.right));
    EXPECT_EQ(g.diagonal.y2, single(c.top));
}

void FunctionGraphs::expectCurve(const Graph& g, const Chart& c, int map, double a, int k) {
    const auto points = referencePoints(map, a, k);
    std::size_t drawn = 0;
    // The curve starts exactly at the chart's lower-left corner.
    Far p{c.left, c.bottom};
    double pExactX = single(c.left), pExactY = single(c.bottom);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Far q = farPoint(c, points[i].x, points[i].y);
        const double qExactX = single(c.right - (c.right - c.left) * (1 - points[i].x));
        const double qExactY = single(c.top - (c.top - c.bottom) * (1 - points[i].y));
        const bool hidden = (p.y > kBox && q.y > kBox) || (p.y < -kBox && q.y < -kBox);
        if (!hidden) {
            ASSERT_LT(drawn, g.curve.size()) << "segment " << i + 1 << " not drawn";
            const DrawOp& s = g.curve[drawn++];
            const std::string wrong = endMismatch("start", s.x1, s.y1, p, pExactX, pExactY, p, q) +
                                      endMismatch(" end", s.x2, s.y2, q, qExactX, qExactY, p, q);
            ASSERT_EQ(wrong, "") << "segment " << i + 1;
        }
        p = q;
        pExactX = qExactX;
        pExactY = qExactY;
    }
    EXPECT_EQ(drawn, g.curve.size()) << "segments beyond the last finite point";
}

}  // namespace corvane::testing
