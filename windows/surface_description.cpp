#include "windows/surface_description.h"

#include <utility>
#include <vector>

namespace corvane {

SurfaceDescription::SurfaceDescription(platform::Window& window, std::string name, std::string noun,
                                       std::string nouns, std::string emptyText)
    : window_(window),
      name_(std::move(name)),
      noun_(std::move(noun)),
      nouns_(std::move(nouns)),
      emptyText_(std::move(emptyText)) {
    publish();
}

void SurfaceDescription::clear() {
    panels_.fill({});
    chartTitle_.clear();
    publish();
}

void SurfaceDescription::setPanel(int k, const std::string& legend) {
    if (k < 1 || k > 6) return;
    panels_[static_cast<std::size_t>(k)] = legend;
    publish();
}

void SurfaceDescription::setChart(const std::string& title, const std::string& legend) {
    panels_.fill({});
    chartTitle_ = title;
    panels_[0] = legend;
    publish();
}

std::string SurfaceDescription::text() const {
    if (!chartTitle_.empty()) return chartTitle_ + ": " + panels_[0];
    std::vector<int> shown;
    for (int k = 1; k <= 6; ++k) {
        if (!panels_[static_cast<std::size_t>(k)].empty()) shown.push_back(k);
    }
    if (shown.empty()) return emptyText_;

    std::string heading;
    const auto number = [](int k) { return std::to_string(k); };
    if (shown.size() == 1) {
        heading = noun_ + " " + number(shown[0]);
    } else if (shown.back() - shown.front() + 1 == static_cast<int>(shown.size()) &&
               shown.size() > 2) {
        heading = nouns_ + " " + number(shown.front()) + " to " + number(shown.back());
    } else {
        heading = nouns_ + " ";
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (i > 0) heading += i + 1 == shown.size() ? " and " : ", ";
            heading += number(shown[i]);
        }
    }
    std::string legends;
    for (const int k : shown) {
        if (!legends.empty()) legends += "; ";
        legends += panels_[static_cast<std::size_t>(k)];
    }
    return heading + ": " + legends;
}

void SurfaceDescription::publish() { window_.setDescription(name_, text()); }

}  // namespace corvane
