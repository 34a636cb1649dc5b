#include "core/tools/caption.h"

#include "core/numeric/number_text.h"

namespace corvane::tools {

namespace {
std::string range(const char* name, double lo, double hi) {
    return std::string(name) + " from " + numberText(lo) + " to " + numberText(hi);
}
}  // namespace

std::vector<std::string> explorerCaption(const View& view, std::optional<double> cursorA) {
    std::string parameters = "x0 = " + numberText(view.x0) +
                             ", T = " + std::to_string(view.transient) +
                             ", K = " + std::to_string(view.kept);
    if (cursorA) parameters += ", cursor at a = " + numberText(*cursorA);
    return {"Bifurcation diagram of f(x) = " + view.map.caption(),
            range("a", view.aMin, view.aMax) + ", " + range("x", view.xMin, view.xMax), parameters};
}

std::vector<std::string> cobwebCaption(const CobwebCaption& c) {
    const std::string graph = c.fold == 1 ? "f" : "f^" + std::to_string(c.fold);
    return {"Cobweb of " + graph + " for f(x) = " + c.map + ", " + range("x", c.from, c.to),
            "a = " + numberText(c.a) + ", x0 = " + numberText(c.x0) +
                ", k = " + std::to_string(c.fold) + ", n = " + std::to_string(c.steps)};
}

std::vector<std::string> densityCaption(const density::Orbit& o, Interval span) {
    return {"Density of the orbit of f(x) = " + o.map.caption() + " at a = " + numberText(o.a),
            "x0 = " + numberText(o.x0) + ", T = " + std::to_string(o.transient) +
                ", N = " + std::to_string(o.iterates) + ", " + std::to_string(o.bins) + " bins, " +
                range("x", span.from, span.to)};
}

std::vector<std::string> planeViewCaption(const PlaneView& v, PlaneColouring colouring,
                                          const std::optional<std::pair<double, double>>& cursor) {
    const ParameterNames n = parameterNames(v.map);
    std::string last = colouring == PlaneColouring::Period    ? "Colour: period (in passes)"
                       : colouring == PlaneColouring::Winding ? "Colour: winding number"
                                                              : "Colour: Lyapunov exponent λ";
    if (cursor) {
        last += "; cursor at " + n.p + " = " + numberText(cursor->first) + ", " + n.q + " = " +
                numberText(cursor->second);
    }
    return {"Parameter plane of " + plane::planeCaption(v.map),
            range(n.p.c_str(), v.pMin, v.pMax) + ", " + range(n.q.c_str(), v.qMin, v.qMax) +
                "; x0 = " + numberText(v.x0) + ", T = " + std::to_string(v.transient) +
                ", K = " + std::to_string(v.kept),
            last};
}

std::string joinCaption(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        if (!out.empty()) out += "; ";
        out += line;
    }
    return out;
}

}  // namespace corvane::tools
