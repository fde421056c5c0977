// The dialog's placement: the documented frames and buttons where they
// belong, every control inside its container and clear of its neighbours
// (the covering panels and the boxes set into captions excepted), and a
// caption for every named control of the table.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "velbend/forms/gy1.h"

namespace velbend {
namespace {

struct Rect {
    int l, t, w, h;
    bool operator==(const Rect&) const = default;
};

bool Overlap(const Rect& a, const Rect& b) {
    return a.l < b.l + b.w && b.l < a.l + a.w && a.t < b.t + b.h && b.t < a.t + a.h;
}

TEST(GY1Layout, DocumentedPlacesAndNoCollisions) {
    for (bool second : {false, true}) {
        SCOPED_TRACE(second ? "second build" : "first build");
        const auto places = GY1_Layout(second);
        const auto [cw, ch] = GY1_ClientSize(second);
        std::map<std::string, Rect> at;
        std::map<std::string, std::string> in;
        for (const auto& p : places) {
            ASSERT_TRUE(at.emplace(p.name, Rect{p.left, p.top, p.width, p.height}).second) << p.name;
            in[p.name] = p.container;
        }
        const std::map<std::string, Rect> documented = {
            {"Frame1", {90, 90, 4995, 1935}},       {"Frame2", {5100, 90, 3375, 1935}},
            {"Frame3", {90, 2070, 6825, 2025}},     {"Frame4", {90, 2070, 6825, 2025}},
            {"Command2(0)", {7290, 3030, 1020, 345}}, {"Command2(1)", {7290, 3570, 1020, 345}},
        };
        for (const auto& [name, r] : documented) EXPECT_EQ(at.at(name), r) << name;
        EXPECT_EQ(at.at("Frame6").l, 2280);
        EXPECT_EQ(at.at("Frame6").t, 90);
        EXPECT_EQ(at.at("Frame5").l, 2280);
        EXPECT_EQ(at.at("Frame5").t, 900);
        EXPECT_EQ(at.count("Check4"), second ? 1u : 0u);
        if (second) {
            EXPECT_EQ(at.at("Check4").l, 7140);
            EXPECT_EQ(at.at("Check4").t, 2160);
            EXPECT_EQ(at.at("Check5").l, 7140);
            EXPECT_EQ(at.at("Check5").t, 2580);
        } else {
            EXPECT_EQ(at.at("Command2(2)"), (Rect{7290, 2250, 1020, 345}));
        }

        // Inside the container.
        for (const auto& [name, r] : at) {
            const std::string& c = in[name];
            const int w = c.empty() ? cw : at.at(c).w, h = c.empty() ? ch : at.at(c).h;
            EXPECT_TRUE(r.l >= 0 && r.t >= 0 && r.l + r.w <= w && r.t + r.h <= h) << name << " in " << c;
        }
        // Clear of the neighbours.
        const std::set<std::string> covers = {"Frame3", "Frame4", "Frame5", "Frame6"};
        const std::set<std::string> inCaption = {"Text1(10)", "Text1(5)", "Text1(6)", "Label0(6)"};
        for (auto a = at.begin(); a != at.end(); ++a)
            for (auto b = std::next(a); b != at.end(); ++b) {
                if (in[a->first] != in[b->first]) continue;
                if (covers.count(a->first) && covers.count(b->first)) continue;
                // The panels cover the frames, never Save, Return, Stop or
                // the options: Stop stays within reach while a panel's move runs.
                const bool panel = a->first == "Frame6" || b->first == "Frame6" || a->first == "Frame5" ||
                                   b->first == "Frame5";
                const bool frame = a->first.starts_with("Frame") && b->first.starts_with("Frame");
                if (in[a->first].empty() && panel && frame) continue;
                if (inCaption.count(a->first) || inCaption.count(b->first)) continue;
                EXPECT_FALSE(Overlap(a->second, b->second)) << a->first << " and " << b->first;
            }
    }
}

TEST(GY1Layout, EveryButtonFrameAndCheckBoxHasACaption) {
    std::set<std::string> captioned;
    for (const Caption& c : GY1_Captions()) captioned.insert(c.name);
    for (const auto& p : GY1_Layout(true)) {
        const std::string name = p.name;
        const bool needs = p.kind == GY1_Place::Kind::Button || p.kind == GY1_Place::Kind::HoldButton ||
                           p.kind == GY1_Place::Kind::Check ||
                           (p.kind == GY1_Place::Kind::Frame && name != "Frame5" && name != "Frame6") ||
                           (p.kind == GY1_Place::Kind::Label && name.rfind("Label0", 0) != 0);
        if (needs) {
            EXPECT_TRUE(captioned.count(name)) << name;
        }
    }
}

}  // namespace
}  // namespace velbend
