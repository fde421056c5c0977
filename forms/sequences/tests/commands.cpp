// The commands of the sequence test: every button, box, check box, tab and
// menu entry of the main window and the dialogs, the external buttons and
// the machine's surroundings.  Each calls what the window calls for that
// control.  Boxes, check boxes, options and the frames' buttons are typed
// into or clicked only while the operator can reach them (shown and
// enabled, in a frame that is shown and enabled).  A held button is entered
// in World::held under its release step, so that closing its window lets it
// go as the window would.
#include <cmath>
#include <filesystem>
#include <iterator>
#include <string>

#include "velbend/forms/drawing_menus.h"
#include "velbend/forms/drawing_view.h"
#include "velbend/forms/gy1.h"
#include "velbend/forms/gy_form.h"
#include "velbend/forms/yh_form.h"
#include "velbend/machine/dialog_motion.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/program_writer.h"
#include "velbend/machine/run_state.h"
#include "velbend/machine/run_timer.h"
#include "velbend/machine/slot_export.h"
#include "velbend/machine/test_programs.h"
#include "world.h"

namespace velbend::sequences {
namespace {

using Act = std::function<void(World&, int)>;
using ClsFn = std::function<Cls(World&, int)>;

ClsFn Always(Cls c) {
    return [c](World&, int) { return c; };
}

// A seek zero of `axis` that `window` started runs (as the checker saw it).
bool OwnHoming(World& w, const char* window, int axis) {
    const int16_t h = w.run().gHomeState;
    return w.homeBy == window && (h == axis || h == axis + 4);
}

// A seek-zero button: it cancels the seek zero its own window started on
// its axis, and otherwise starts one.
ClsFn SeekButton(const char* window, int axis) {
    return [window, axis](World& w, int) { return OwnHoming(w, window, axis) ? Cls::End : Cls::Start; };
}

// A press that stays held until its release step.
Act Press(std::string release, Act down) {
    return [release, down](World& w, int a) {
        down(w, a);
        w.held.insert(Step{release, a}.Text());
    };
}
// A button is let go only where it is held (a shrunk case may have lost
// the press).
Act Release(std::string name, Act up) {
    return [name, up](World& w, int a) {
        if (w.held.erase(Step{name, a}.Text()) == 0) return;
        up(w, a);
    };
}

// Clicks on a node of the drawing (`times` presses and releases), with
// the keys of `shift` held (1 Shift).
void ClickNode(World& w, int k, int times, int shift = 0) {
    auto& d = w.m().drawing;
    if (d.tables.mNodeCount < 2) return;
    const auto& node = d.tables.mNodes[static_cast<std::size_t>(1 + k % (d.tables.mNodeCount - 1))];
    double X = 0, Y = 0;
    DrawingToPixel(w.program(), node.X, node.Y, X, Y);
    for (int i = 0; i < times; ++i) {
        Picture1_MouseDown(w.program(), d, 1, shift, X, Y);
        Picture1_MouseUp(w.program(), d, 1, shift, X, Y);
    }
}

const char* Pick(std::initializer_list<const char*> list, int k) {
    const int n = static_cast<int>(list.size());
    return list.begin()[((k % n) + n) % n];
}

// ---- what the operator types ----

// The texts typed into the boxes: plausible values first, then absurd ones
// (negative, empty, huge, not a number, a blank before the number).  A
// typed-text argument runs over kTyped values; each plausible text takes two
// of them, so that it comes twice as often as an absurd one and programs
// still run between the absurd entries.
constexpr const char* kPlausible[] = {"1", "2", "3", "2.5", "1.4", "0", "0.001", "7", "20", "60", "100", "200", "1000"};
constexpr const char* kAbsurd[] = {"-5", "", "1e9", "99999999", "abc", "12abc", " 7"};
constexpr int kPlausibleCount = static_cast<int>(std::size(kPlausible));
constexpr int kTyped = 2 * kPlausibleCount + static_cast<int>(std::size(kAbsurd));

const char* Typed(int v) {
    v = ((v % kTyped) + kTyped) % kTyped;
    return v < 2 * kPlausibleCount ? kPlausible[v % kPlausibleCount] : kAbsurd[v - 2 * kPlausibleCount];
}

// A command that types into one of several boxes takes box * kTyped + v.
int BoxOf(int k) { return k / kTyped; }
const char* TextOf(int k) { return Typed(k % kTyped); }

// ---- the drawing ----

// The pixel of a drawing point.
struct Pixel {
    double X = 0, Y = 0;
};
Pixel PixelOf(World& w, double x, double y) {
    Pixel p;
    DrawingToPixel(w.program(), x, y, p.X, p.Y);
    return p;
}

// True when no node of the outline lies within `margin` pixels of (X, Y) in
// X and in Y: a press there picks nothing.
bool ClearOfNodes(World& w, double X, double Y, double margin) {
    const DisplayTables& t = w.m().drawing.tables;
    for (int i = 1; i < t.mNodeCount && i < static_cast<int>(t.mNodes.size()); ++i) {
        const Pixel p = PixelOf(w, t.mNodes[static_cast<std::size_t>(i)].X, t.mNodes[static_cast<std::size_t>(i)].Y);
        if (std::fabs(p.X - X) < margin && std::fabs(p.Y - Y) < margin) return false;
    }
    return true;
}

// A pixel of the picture away from every node (the k-th of a few spots
// along its edges), or nothing when each lies near a node.
std::optional<Pixel> EmptySpot(World& w, int k) {
    const auto& panel = w.ctx().panel;
    const double W = panel.Picture1Width, H = panel.Picture1Height;
    const Pixel spots[] = {{12, 12}, {W - 12, 12}, {12, H - 12}, {W - 12, H - 12}, {W / 2, 12}, {12, H / 2}};
    const int n = static_cast<int>(std::size(spots));
    for (int i = 0; i < n; ++i) {
        const Pixel& p = spots[(k + i) % n];
        if (ClearOfNodes(w, p.X, p.Y, 20)) return p;
    }
    return std::nullopt;
}

// The middle of the k-th display segment that takes a node (two points of
// one contour less than 16 apart, the second no contour start), away from
// the nodes; nothing when there is none.
std::optional<Pixel> AddNodeSpot(World& w, int k) {
    const DisplayTables& t = w.m().drawing.tables;
    const int n = std::min<int>(t.mDisplayPointCount, static_cast<int>(t.mDisplayPoints.size()));
    std::vector<int> segments;
    for (int i = 0; i + 1 < n; ++i) {
        const DisplayPoint& a = t.mDisplayPoints[static_cast<std::size_t>(i)];
        const DisplayPoint& b = t.mDisplayPoints[static_cast<std::size_t>(i + 1)];
        if (a.ContourId == b.ContourId && b.Flag != 1 && std::hypot(b.X - a.X, b.Y - a.Y) < 16) segments.push_back(i);
    }
    const int count = static_cast<int>(segments.size());
    for (int j = 0; j < count; ++j) {
        const int i = segments[static_cast<std::size_t>((k + j) % count)];
        const DisplayPoint& a = t.mDisplayPoints[static_cast<std::size_t>(i)];
        const DisplayPoint& b = t.mDisplayPoints[static_cast<std::size_t>(i + 1)];
        const Pixel p = PixelOf(w, (a.X + b.X) / 2, (a.Y + b.Y) / 2);
        if (ClearOfNodes(w, p.X, p.Y, 20)) return p;
    }
    return std::nullopt;
}

// ---- what the operator can reach in a dialog ----

// A gy1 control the operator can type into or click: shown and enabled, in
// frames that are shown and enabled, and no locked box.
bool Gy1Reachable(World& w, std::string_view name) {
    const std::vector<GY1_Place> layout = GY1_Layout(w.ctx().secondBuild);
    auto place = [&](std::string_view n) -> const GY1_Place* {
        for (const GY1_Place& p : layout)
            if (n == p.name) return &p;
        return nullptr;
    };
    const GY1_Place* p = place(name);
    if (!p || p->locked) return false;
    for (; p; p = *p->container ? place(p->container) : nullptr) {
        const GY1_Control& c = w.gy1->C(p->name);
        if (!c.Visible || !c.Enabled) return false;
    }
    return true;
}

// An sb control in `frame` ("" on the dialog itself): the frames of the
// slotting set-up lie in Frame2.
bool SbReachable(World& w, const std::string& name, const std::string& frame) {
    auto open = [&](const std::string& n) { return w.sb->Enabled(n) && w.sb->Visible(n); };
    if (!open(name) || (!frame.empty() && !open(frame))) return false;
    const bool inFrame2 = !frame.empty() && frame != "Frame1" && frame != "Frame2" && frame != "Frame9";
    return !inFrame2 || open("Frame2");
}

// The yh dialog closes when its model says so.
void CloseDoneYh(World& w) {
    if (w.yh && w.yh->closed) w.Show(Win::Main);
}

// The passwords of the file that the maker puts into the program folder.
constexpr const char* kMakerPassword = "2468";
// Encoder equivalents far out, or right (the machine's is 100).
constexpr const char* kFarEquivalents[] = {"1000", "-100", "0.001", "10", "100"};
constexpr const char* kSystemPassword = "1357";

std::vector<Command> Build() {
    std::vector<Command> c;
    auto add = [&](const char* name, Win win, int args, int weight, ClsFn cls, Act act) {
        c.push_back(Command{name, win, args, weight, std::move(cls), std::move(act)});
    };
    const Win M = Win::Main, E = Win::Env;

    // ---- main window: the machine buttons ----
    add("Run", M, 1, 6, [](World& w, int) { return w.run().mPaused == 1 ? Cls::Resume : Cls::Start; },
        [](World& w, int) { Command_Run_Click(w.ctx()); });
    add("Pause", M, 1, 3, Always(Cls::Pause), [](World& w, int) { Command_Pause_Click(w.ctx()); });
    add("Stop", M, 1, 3, Always(Cls::Stop), [](World& w, int) { Command_Stop_Click(w.ctx()); });
    add("Step", M, 1, 1, Always(Cls::Look), [](World& w, int) { StepCommand_Click(w.ctx()); });
    add("SL.Down", M, 1, 2, Always(Cls::Start),
        Press("SL.Up", [](World& w, int) { Command_SL_MouseDown(w.ctx(), 1); }));
    add("SL.Up", M, 1, 2, Always(Cls::End), Release("SL.Up", [](World& w, int) { Command_SL_MouseUp(w.ctx(), 1); }));
    add("TL.Down", M, 1, 1, Always(Cls::Start),
        Press("TL.Up", [](World& w, int) { Command_TL_MouseDown(w.ctx(), 1); }));
    add("TL.Up", M, 1, 1, Always(Cls::End), Release("TL.Up", [](World& w, int) { Command_TL_MouseUp(w.ctx(), 1); }));
    add("XZ", M, 1, 1, Always(Cls::Start), [](World& w, int) { Command_XZ_Click(w.ctx()); });
    add("Z1", M, 1, 1, Always(Cls::Start), [](World& w, int) { Command_Z1_Click(w.ctx()); });
    add("Z2", M, 1, 1, Always(Cls::Start), [](World& w, int) { Command_Z2_Click(w.ctx()); });
    add("Z3", M, 1, 1, Always(Cls::Start), [](World& w, int) { Command_Z3_Click(w.ctx()); });
    add("Label3", M, 1, 1, Always(Cls::End), [](World& w, int) { Label3_Click(w.m(), 0); });
    // The boxes of the panel: typing starts and changes nothing (a jog, a
    // Run or an offset reads them); the pieces box measures the path again.
    // The jog boxes are hidden in the second build; the end-feed box Text7
    // always is (the operator dialog's End Feeding sets it).
    add("Pieces", M, 7 + kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        w.ctx().panel.Text5 = k < 7 ? Pick({"1", "2", "0", "3", "2.5", "1.4", "3.5"}, k) : Typed(k - 7);
        Text5_Change(w.program(), w.m().drawing);
    });
    add("JogSpeed", M, kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        if (!w.ctx().secondBuild) w.ctx().panel.Text2 = Typed(k);
    });
    add("JogStep", M, kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        if (!w.ctx().secondBuild) w.ctx().panel.Text3 = Typed(k);
    });
    add("Splice", M, kTyped, 1, Always(Cls::Look), [](World& w, int k) { w.ctx().panel.Text4 = Typed(k); });
    add("OffsetValue", M, kTyped, 1, Always(Cls::Look), [](World& w, int k) { w.ctx().panel.Text6 = Typed(k); });

    // ---- main window: the Machine Adjust frame ----
    add("Adjust", M, 3, 2, Always(Cls::Start), [](World& w, int k) { Command4_Click(w.ctx(), static_cast<int16_t>(k)); });
    add("AdjustValue", M, 6 + kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        w.ctx().panel.Text14 = k < 6 ? Pick({"200", "204", "190", "230", "2", ""}, k) : Typed(k - 6);
    });
    add("AdjustOk", M, 2, 3,
        [](World& w, int k) {
            const int16_t mode = w.run().mDebugMode;
            if (mode == 4 || mode == 5 || mode == 7) return k == 0 ? Cls::Change : Cls::Look;
            if (mode == 1) return k == 0 ? Cls::Start : Cls::Look;
            return mode == 2 || mode == 3 ? Cls::Start : Cls::Look;
        },
        [](World& w, int k) { Command5_Click(w.ctx(), static_cast<int16_t>(k)); });

    // ---- main window: the drawing ----
    // 0..2 the plotter and DXF drawings; 3..7 the NC program, its plane
    // answered -1 and -1.0 (its cut), 0 and "abc" (no cut there), or the
    // question cancelled; 8 a file of no outline kind; 9 the open dialog
    // cancelled.
    // 0..7 the squares, the sample letter and the NC square (its plane
    // answered in four ways or not at all), 8 a file of no outline kind, 9
    // cancelled; 10..12 the outlines with arcs, the polygon and the letters.
    add("Open", M, 10 + World::kOutlines - 4, 2, Always(Cls::Change), [](World& w, int k) {
        if (k >= 10) w.op.fileAnswers.push_back(w.OutlinePath(k - 6));
        else if (k < 8) w.op.fileAnswers.push_back(w.OutlinePath(std::min(k, 3)));
        else if (k == 8) w.op.fileAnswers.push_back((w.home / "formtext.ini").string());
        if (k >= 3 && k <= 6) w.op.inputAnswers.push_back(Pick({"-1", "-1.0", "0", "abc"}, k - 3));
        else if (k == 7) w.op.inputAnswers.push_back(std::nullopt);
        打开_Click(w.program(), w.m().drawing);
        w.op.fileAnswers.clear();
        w.op.inputAnswers.clear();
    });
    add("CloseOutline", M, 1, 1, Always(Cls::Change), [](World& w, int) { 关闭_Click(w.program(), w.m().drawing); });
    add("Mirror", M, 1, 1, Always(Cls::Change), [](World& w, int) { 字形Y镜向_Click(w.program(), w.m().drawing); });
    add("Pick", M, 16, 2, Always(Cls::Change), [](World& w, int k) { ClickNode(w, k, 1); });
    add("PickWhole", M, 16, 2, Always(Cls::Change), [](World& w, int k) { ClickNode(w, k, 2); });
    // A pick with Shift held (the other way round): one click (k < 16) or two.
    add("PickShift", M, 32, 1, Always(Cls::Change), [](World& w, int k) { ClickNode(w, k % 16, k < 16 ? 1 : 2, 1); });
    add("DeleteNode", M, 16, 1, Always(Cls::Change), [](World& w, int k) {
        删除节点_Click(w.program(), w.m().drawing);
        ClickNode(w, k, 1);
        w.m().drawing.mMousePointer = 0;
    });
    add("UndoDelete", M, 2, 1, Always(Cls::Change), [](World& w, int k) {
        k == 0 ? 取消前一个删除_Click(w.program(), w.m().drawing) : 取消删除_Click(w.program(), w.m().drawing);
    });
    add("CancelSelect", M, 1, 1, Always(Cls::Change), [](World& w, int) { 取消选择_Click(w.program(), w.m().drawing); });
    add("Offset", M, 1, 1, Always(Cls::Change), [](World& w, int) { Command1_Click(w.program(), w.m().drawing); });
    // The group frame: system group k % 2 (Option1) and curvature group
    // k / 2 (Option2) made current.
    add("Group", M, 2 * World::kGroups, 1, Always(Cls::Change), [](World& w, int k) {
        auto& g = w.m().group;
        切换参数组_Click(w.m());
        g.option1.fill(false);
        g.option1[static_cast<std::size_t>(k % World::kGroups)] = true;
        g.option2.fill(false);
        g.option2[static_cast<std::size_t>(k / World::kGroups % World::kGroups)] = true;
        Command3_Click(w.m(), 1);
    });
    // The copy buttons are shown from user level 1 on.
    add("GroupCopy", M, 2, 1, Always(Cls::Change), [](World& w, int k) {
        切换参数组_Click(w.m());
        if (w.m().group.copyButtonsVisible) Command3_Click(w.m(), static_cast<int16_t>(3 + k % 2));
    });
    // A name typed into Text11(0..1) or Text13(0..1) and the names saved.
    add("GroupNames", M, 2 * World::kGroups * kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        auto& g = w.m().group;
        切换参数组_Click(w.m());
        const auto i = static_cast<std::size_t>(BoxOf(k) % World::kGroups);
        (BoxOf(k) / World::kGroups % 2 == 0 ? g.text11[i] : g.text13[i]) = TextOf(k);
        Command3_Click(w.m(), 0);
    });
    // 0 the current groups shown (menu); 1 the frame opened and closed.
    add("GroupFrame", M, 2, 1, Always(Cls::Look), [](World& w, int k) {
        if (k == 0) {
            当前参数组_Click(w.m());
            return;
        }
        切换参数组_Click(w.m());
        Command3_Click(w.m(), 2);
    });
    add("Language", M, 2, 1, Always(Cls::Look),
        [](World& w, int k) { k == 0 ? Chinese_Click(w.m()) : English_Click(w.m()); });
    // (After the typed list: radii far larger than any corner.)
    add("Radius", M, 3 + kTyped + 3, 2, Always(Cls::Change), [](World& w, int k) {
        Text15_Change(w.m(), k < 3 ? Pick({"1.5", "3", "0"}, k) : k < 3 + kTyped ? Typed(k - 3)
                                                                   : Pick({"1000", "40", "1e9"}, k - 3 - kTyped));
    });
    // Check2 seek zero before work, Check3 the encoder, Check1 jog in steps,
    // Check4 the feed seeks zero before work (the last two hidden in the
    // second build; Check4 disabled without a feed zero switch).
    add("Check", M, 4, 1, Always(Cls::Look), [](World& w, int k) {
        auto& panel = w.ctx().panel;
        auto flip = [](int16_t& v) { v = v == 1 ? 0 : 1; };
        if (k == 0) flip(panel.Check2);
        else if (k == 1) {
            if (panel.Check3Enabled) flip(panel.Check3);
        } else if (!w.ctx().secondBuild) {
            if (k == 2) flip(panel.Check1);
            else if (w.m().Control("Check4").enabled) flip(panel.Check4);
        }
    });
    add("Tab1", M, 2, 1, Always(Cls::Look), [](World& w, int k) {
        if (w.m().tab1 != k + 1) TabStrip1_Click(w.m(), k + 1);
    });
    add("Tab2", M, 2, 1, Always(Cls::Look), [](World& w, int k) {
        if (!w.ctx().secondBuild && w.m().tab2 != k + 1) TabStrip2_Click(w.m(), k + 1);
    });
    // A click on a line of the segment list (its tab brought up first).
    add("List", M, 16, 1, Always(Cls::Look), [](World& w, int k) {
        const auto& list = w.ctx().panel.List1;
        if (!w.m().List1Visible && !w.ctx().secondBuild) TabStrip2_Click(w.m(), 2);
        if (!w.m().List1Visible || list.empty()) return;
        List1_Click(w.program(), w.m().drawing, k % static_cast<int>(list.size()));
    });
    add("About", Win::About, 1, 1, Always(Cls::Look), [](World&, int) {});

    // ---- main window: the view and output menus, the picture's mouse ----
    add("RestoreView", M, 1, 1, Always(Cls::Look), [](World& w, int) { 还原视图_Click(w.program(), w.m().drawing); });
    add("Area", M, 1, 1, Always(Cls::Look), [](World& w, int) { 查看选择面积_Click(w.program(), w.m().drawing); });
    add("Plt", M, 1, 1, Always(Cls::Look), [](World& w, int) { 字形PLT_Click(w.program(), w.m().drawing); });
    add("Zoom", M, 2, 1, Always(Cls::Look), [](World& w, int k) { WheelZoom(w.program(), w.m().drawing, k == 0); });
    // A drag from a spot away from the nodes pans the view.
    add("Pan", M, 4, 1, Always(Cls::Look), [](World& w, int k) {
        auto& d = w.m().drawing;
        const auto from = EmptySpot(w, k);
        if (!from || d.mMousePointer != 0) return;
        static const Pixel by[] = {{40, 25}, {-40, -25}, {100, 0}, {0, -80}};
        const Pixel to{from->X + by[k % 4].X, from->Y + by[k % 4].Y};
        Picture1_MouseDown(w.program(), d, 1, 0, from->X, from->Y);
        Picture1_MouseMove(w.program(), d, 1, 0, to.X, to.Y);
        Picture1_MouseUp(w.program(), d, 1, 0, to.X, to.Y);
    });
    // A right click flags the slotting marker under it (even k: the marker
    // k / 2) or lands on an empty spot (odd k); it also ends a node mode.
    add("RightClick", M, 8, 1, Always(Cls::Change), [](World& w, int k) {
        auto& d = w.m().drawing;
        std::optional<Pixel> at;
        if (k % 2 == 0 && !d.mMarkers.empty()) {
            const PathMarker& m = d.mMarkers[static_cast<std::size_t>(k / 2) % d.mMarkers.size()];
            at = PixelOf(w, m.X, m.Y);
        } else {
            at = EmptySpot(w, k / 2);
        }
        if (!at) return;
        Picture1_MouseDown(w.program(), d, 2, 0, at->X, at->Y);
        Picture1_MouseUp(w.program(), d, 2, 0, at->X, at->Y);
    });
    // Add Node, then a click on the middle of a short display segment.
    add("AddNode", M, 16, 1, Always(Cls::Change), [](World& w, int k) {
        auto& d = w.m().drawing;
        增加节点_Click(w.program(), d);
        if (const auto at = AddNodeSpot(w, k)) {
            Picture1_MouseDown(w.program(), d, 1, 0, at->X, at->Y);
            Picture1_MouseUp(w.program(), d, 1, 0, at->X, at->Y);
        }
        d.mMousePointer = 0;
    });
    add("UndoAdd", M, 2, 1, Always(Cls::Change), [](World& w, int k) {
        k == 0 ? 取消前一个增加_Click(w.program(), w.m().drawing) : 取消增加_Click(w.program(), w.m().drawing);
    });

    // ---- main window: the slotting-program output (a G-code file of the
    // path; it starts nothing and changes no path) ----
    // The boxes and buttons of the output frame (the menu shows it first).
    auto slotFrame = [](World& w) {
        if (!w.ctx().panel.OutFrameVisible) 开槽程序_Click(w.ctx());
        return w.ctx().panel.OutFrameVisible;
    };
    add("SlotMenu", M, 1, 1, Always(Cls::Look), [](World& w, int) { 开槽程序_Click(w.ctx()); });
    add("SlotName", M, kTyped, 1, Always(Cls::Look), [slotFrame](World& w, int k) {
        if (slotFrame(w)) w.ctx().panel.Text8 = Typed(k);
    });
    add("SlotValue", M, 4 * kTyped, 1, Always(Cls::Look), [slotFrame](World& w, int k) {
        if (slotFrame(w)) w.ctx().panel.Text9[static_cast<std::size_t>(BoxOf(k) % 4)] = TextOf(k);
    });
    add("SlotOutput", M, 2, 1, Always(Cls::Look), [slotFrame](World& w, int k) {
        if (slotFrame(w)) Command2_Click(w.ctx(), static_cast<int16_t>(k));
    });
    // The frame filled as an operator fills it and its Output (the file is
    // judged against G5.dat).
    add("SlotExport", M, 1, 2, Always(Cls::Look), [slotFrame](World& w, int) {
        if (!slotFrame(w)) return;
        auto& p = w.ctx().panel;
        p.Text8 = kSlotExportName;
        p.Text9 = {"1", "10", "12000", "600"};
        Command2_Click(w.ctx(), 0);
    });
    add("CloseWindow", M, 1, 1, Always(Cls::Env), [](World& w, int) { w.CloseWindow(); });

    // ---- the external buttons and the surroundings ----
    add("IN18.Down", E, 1, 1, Always(Cls::Env), Press("IN18.Up", [](World& w, int) { w.SetInput(18, 0); }));
    add("IN18.Up", E, 1, 1, Always(Cls::Env), Release("IN18.Up", [](World& w, int) { w.SetInput(18, 1); }));
    add("IN19.Down", E, 1, 1, Always(Cls::Env), Press("IN19.Up", [](World& w, int) { w.SetInput(19, 0); }));
    add("IN19.Up", E, 1, 1, Always(Cls::Env), Release("IN19.Up", [](World& w, int) { w.SetInput(19, 1); }));
    add("Lock", E, 1, 2, Always(Cls::Env), [](World& w, int) { w.LockTableFile(true); });
    add("Unlock", E, 1, 2, Always(Cls::Env), [](World& w, int) { w.LockTableFile(false); });
    add("Slip", E, 4, 1, Always(Cls::Env), [](World& w, int k) { w.SetSlip(k * 10); });
    // The program started again after its window has closed.
    add("Restart", E, 1, 1, Always(Cls::Env), [](World& w, int) { w.Restart(); });
    // The maker puts the password file into the program folder (0) or takes
    // it away (1); the user dialog reads it when it opens.
    add("Passwords", E, 2, 1, Always(Cls::Env), [](World& w, int k) {
        if (k == 0) {
            w.home.Write("sys1.ini", std::string("\"") + kMakerPassword + "\"\r\n\"" + kSystemPassword + "\"\r\n");
        } else {
            std::error_code ec;
            std::filesystem::remove(w.home / "sys1.ini", ec);
        }
    });

    // ---- the operator's technological parameters (level 0) ----
    const Win G1 = Win::Gy1;
    // A calibration panel, and the distance the operator types into it.
    add("gy1.Panel", G1, 4, 2, Always(Cls::Look), [](World& w, int k) {
        w.gy1->Command1_Click(k == 3 ? 3 : k % 2);
        if (k != 3) w.gy1->SetText("Text6(2)", "100");
    });
    add("gy1.SlotTest", G1, 1, 1, Always(Cls::Start), [](World& w, int) { w.gy1->Command1_Click(2); });
    add("gy1.Pressing", G1, 2, 1, Always(Cls::Start),
        [](World& w, int k) { k == 0 ? w.gy1->Command1_Click(4) : w.gy1->Command7_Click(1); });
    add("gy1.Slot", G1, 2, 1, Always(Cls::Start), [](World& w, int k) { w.gy1->Command3_Click(k); });
    add("gy1.Tool", G1, 4, 2, [](World& w, int k) { return k == 2 ? Cls::Look : Cls::Start; },
        [](World& w, int k) { w.gy1->Command4_Click(k); });
    add("gy1.Marking", G1, 1, 1, Always(Cls::Start), [](World& w, int) { w.gy1->Command7_Click(0); });
    add("gy1.Move", G1, 1, 2, Always(Cls::Start), [](World& w, int) { w.gy1->Command7_Click(4); });
    add("gy1.Calc", G1, 4, 1, Always(Cls::Look), [](World& w, int k) {
        static const int index[] = {2, 3, 5, 8};
        w.gy1->Command7_Click(index[k % 4]);
    });
    add("gy1.Text", G1, 6, 2, Always(Cls::Look), [](World& w, int k) {
        static const char* const box[] = {"Text6(2)", "Text6(2)", "Text6(3)", "Text1(0)", "Text1(2)", "Text1(1)"};
        static const char* const text[] = {"100", "20", "98", "98", "50", "100"};
        w.gy1->SetText(box[k % 6], text[k % 6]);
    });
    add("gy1.Feed.Down", G1, 2, 1, Always(Cls::Start),
        Press("gy1.Feed.Up", [](World& w, int k) { w.gy1->Command7_MouseDown(6 + k % 2); }));
    add("gy1.Feed.Up", G1, 2, 1, Always(Cls::End),
        Release("gy1.Feed.Up", [](World& w, int k) { w.gy1->Command7_MouseUp(6 + k % 2); }));
    add("gy1.Save", G1, 1, 2, Always(Cls::Change), [](World& w, int) { w.gy1->Command2_Click(0); });
    add("gy1.Stop", G1, 1, 1, Always(Cls::Stop), [](World& w, int) { w.gy1->Command2_Click(2); });
    // Every box the operator can type into: the lengths, the arc powers, the
    // slotting values of either cutter, the calibration panel and the
    // tool-setting panel (typing changes the working copy only).
    // (The arc compensations come last, so that the earlier boxes keep
    // their numbers.)
    add("gy1.Box", G1, 22 * kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        static const char* const box[] = {"Text1(0)", "Text1(1)", "Text1(2)", "Text1(3)", "Text1(4)", "Text1(5)",
                                          "Text1(6)", "Text1(9)", "Text1(10)", "Text5(0)", "Text5(1)", "Text5(2)",
                                          "Text5(3)", "Text5(5)", "Text6(0)", "Text6(2)", "Text6(3)", "Text6(5)",
                                          "Text2(0)", "Text2(1)", "Text1(7)", "Text1(8)"};
        const char* name = box[BoxOf(k) % 22];
        if (Gy1Reachable(w, name)) w.gy1->SetText(name, TextOf(k));
    });
    // Check1 seek zero before forward, Check2 the count lock, Check3 the
    // total-depth lock, Check4 and Check5 the main window's encoder and
    // seek-zero options (second build).
    add("gy1.Check", G1, 5, 1, Always(Cls::Look), [](World& w, int k) {
        const std::string name = "Check" + std::to_string(1 + k % 5);
        if (Gy1Reachable(w, name)) w.gy1->SetValue(name, w.gy1->C(name).Value == 1 ? 0 : 1);
    });
    // The encoder equivalent typed far out in the operator's box (the
    // machine's is 100): ten times too large, negative, tiny, a tenth, or
    // right again.
    add("gy1.Encoder", G1, 5, 1, Always(Cls::Look), [](World& w, int k) {
        if (Gy1Reachable(w, "Text1(1)")) w.gy1->SetText("Text1(1)", kFarEquivalents[k % 5]);
    });
    add("gy1.Return", G1, 1, 1, Always(Cls::Look), [](World& w, int) {
        if (w.gy1->Command2_Click(1)) w.Show(Win::Main);
    });

    // ---- the technological parameters of the makers (levels 1, 2) ----
    add("gy.Mode", Win::Gy, 2, 1, Always(Cls::Look),
        [](World& w, int k) { k == 0 ? w.gy->Option1_Click() : w.gy->Option2_Click(); });
    add("gy.Save", Win::Gy, 1, 1, Always(Cls::Change), [](World& w, int) { w.gy->Command1_Click(); });
    // Text1(0..29); those of Frame1 are shown at level 2 only.
    add("gy.Box", Win::Gy, kGyBoxes * kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        const int i = BoxOf(k) % kGyBoxes;
        if (!GyPlace(i).inFrame1 || w.gy->layout.frame1Visible) w.gy->Text1_Change(i, TextOf(k));
    });
    add("gy.Return", Win::Gy, 1, 1, Always(Cls::Look), [](World& w, int) { w.Show(Win::Main); });
    // The Machine Adjust tests' length and radius, as a maker may type them.
    add("gy.TestValue", Win::Gy, 8, 1, Always(Cls::Look), [](World& w, int k) {
        w.gy->Text1_Change(25 + k / 4, Pick({"-300", "1e9", "200", "-50"}, k));
    });
    // The start (k / 6 even) and end length compensations (system lines 10
    // and 11), as a maker types them: far back (-60.109 brings an encoder
    // check of the letters to count 0, after checks behind it), a little
    // back or forward, or none.
    add("gy.LengthComp", Win::Gy, 12, 3, Always(Cls::Look), [](World& w, int k) {
        const int line = k / 6 % 2 == 0 ? 10 : 11;
        for (int i = 0; i < kGyBoxes; ++i)
            if (GyBoxes()[static_cast<std::size_t>(i)].line == line)
                w.gy->Text1_Change(i, Pick({"-60", "-5", "2", "-100", "-60.109", "0"}, k));
    });

    // ---- axis setup ----
    const Win J = Win::Jjz;
    add("jjz.Down", J, 16, 3,
        [](World& w, int k) {
            const int n = 1 + k / 4;
            return k % 4 == 3 && OwnHoming(w, "jjz", n) ? Cls::End : Cls::Start;
        },
        [](World& w, int k) {
            w.jjz->Command_MouseDown(1 + k / 4, static_cast<int16_t>(k % 4));
            if (k % 4 < 2) w.held.insert(Step{"jjz.Up", k}.Text());
        });
    add("jjz.Up", J, 16, 2, Always(Cls::End),
        Release("jjz.Up", [](World& w, int k) { w.jjz->Command_MouseUp(1 + k / 4, static_cast<int16_t>(k % 4)); }));
    add("jjz.Text", J, 4, 1, Always(Cls::Look), [](World& w, int k) {
        static const int box[] = {1, 2, 1, 5};
        static const int index[] = {0, 0, 3, 0};
        static const char* const text[] = {"20", "10", "1200", "101"};
        w.jjz->SetText(box[k % 4], index[k % 4], text[k % 4]);
    });
    add("jjz.Panel", J, 2, 1, Always(Cls::Look),
        [](World& w, int k) { k == 0 ? w.jjz->Label1_Click(0) : w.jjz->Label5_Click(0); });
    add("jjz.Panel7", J, 7, 2,
        [](World& w, int k) { return k == 0 || k == 1 || k == 4 ? Cls::Start : Cls::Look; },
        [](World& w, int k) { w.jjz->Command7_Click(static_cast<int16_t>(k)); });
    add("jjz.Save", J, 1, 1, Always(Cls::Change), [](World& w, int) { w.jjz->Command0_Click(0); });
    add("jjz.Stop", J, 1, 1, Always(Cls::Stop), [](World& w, int) { w.jjz->Command5_Click(); });
    // Boxes 0..31: Text<n>(i) of axis n = 1 + b / 8 (the step box and the
    // seven parameters); 32 the encoder equivalent Text5(0); 33..36 the
    // calibration panel's Text6(0..3).  Disabled frames take no typing.
    add("jjz.Box", J, 37 * kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        const int b = BoxOf(k) % 37;
        const int box = b < 32 ? 1 + b / 8 : b == 32 ? 5 : 6;
        const int index = b < 32 ? b % 8 : b == 32 ? 0 : b - 33;
        if (box <= 5 ? w.jjz->FrameEnabled(box) : w.jjz->PanelVisible()) w.jjz->SetText(box, index, TextOf(k));
    });
    // An axis's automatic speed, as a maker may clear or mistype it
    // (Text<n>(7)), or set it right again.
    add("jjz.Speed", J, 20, 2, Always(Cls::Look), [](World& w, int k) {
        const int axis = 1 + k / 5;
        if (w.jjz->FrameEnabled(axis)) w.jjz->SetText(axis, 7, Pick({"0", "-3000", "", "3000", "6000"}, k));
    });
    // The same in the axis dialog's encoder box Text5(0).
    add("jjz.Encoder", J, 5, 1, Always(Cls::Look), [](World& w, int k) {
        if (w.jjz->FrameEnabled(5)) w.jjz->SetText(5, 0, kFarEquivalents[k % 5]);
    });
    // An axis's manual speed (Text<n>(3)) typed as 0, negative, tiny (the
    // field keeps whole numbers), empty, right, or 1 mm/min (slow, but
    // more than a pulse a second).
    add("jjz.Manual", J, 24, 2, Always(Cls::Look), [](World& w, int k) {
        const int axis = 1 + k / 6 % 4;
        if (w.jjz->FrameEnabled(axis)) w.jjz->SetText(axis, 3, Pick({"0", "-3000", "0.001", "", "3000", "1"}, k));
    });
    // A zero compensation distance far beyond the machine, either way.
    add("jjz.CompDistance", J, 8, 1, Always(Cls::Look), [](World& w, int k) {
        if (w.jjz->FrameEnabled(1 + k / 2)) w.jjz->SetText(1 + k / 2, 5, k % 2 ? "1e9" : "-1e9");
    });
    // The length measured after a calibration panel's move: near what was
    // asked (100 mm), as an operator measures it.
    add("gy1.Actual", G1, 3, 2, Always(Cls::Look), [](World& w, int k) {
        if (Gy1Reachable(w, "Text6(3)")) w.gy1->SetText("Text6(3)", Pick({"98", "100.5", "102"}, k));
    });
    add("jjz.Actual", J, 3, 2, Always(Cls::Look), [](World& w, int k) {
        if (w.jjz->PanelVisible()) w.jjz->SetText(6, 3, Pick({"98", "100.5", "102"}, k));
    });
    add("jjz.Clear", J, 1, 1, Always(Cls::Look), [](World& w, int) {
        if (w.jjz->FrameEnabled(5)) w.jjz->Command6_Click();
    });
    add("jjz.Lock", J, 1, 1, Always(Cls::Look), [](World& w, int) {
        if (w.jjz->PanelVisible() && w.jjz->EncoderCountVisible()) w.jjz->Check2 = w.jjz->Check2 == 1 ? 0 : 1;
    });
    add("jjz.Return", J, 1, 1, Always(Cls::Look), [](World& w, int) {
        if (w.jjz->Command0_Click(1)) w.Show(Win::Main);
    });

    // ---- machine setup ----
    const Win S = Win::Sb;
    add("sb.Test", S, 5, 2, [](World& w, int k) { return k == 3 ? SeekButton("sb", 4)(w, k) : Cls::Start; },
        [](World& w, int k) { w.sb->Command3_Click(static_cast<int16_t>(k)); });
    add("sb.Bend.Down", S, 3, 2, [](World& w, int k) { return k == 2 ? SeekButton("sb", 2)(w, k) : Cls::Start; },
        [](World& w, int k) {
            w.sb->Command4_MouseDown(static_cast<int16_t>(k));
            if (k < 2) w.held.insert(Step{"sb.Bend.Up", k}.Text());
        });
    add("sb.Bend.Up", S, 3, 1, Always(Cls::End),
        Release("sb.Bend.Up", [](World& w, int k) { w.sb->Command4_MouseUp(static_cast<int16_t>(k)); }));
    add("sb.Feed.Down", S, 3, 2, Always(Cls::Start), [](World& w, int k) {
        w.sb->Command5_MouseDown(static_cast<int16_t>(k));
        if (k < 2) w.held.insert(Step{"sb.Feed.Up", k}.Text());
    });
    add("sb.Feed.Up", S, 3, 1, Always(Cls::End),
        Release("sb.Feed.Up", [](World& w, int k) { w.sb->Command5_MouseUp(static_cast<int16_t>(k)); }));
    add("sb.Cutter", S, 3, 2,
        [](World& w, int k) { return k == 0 ? Cls::End : k == 2 ? SeekButton("sb", 3)(w, k) : Cls::Start; },
        [](World& w, int k) { w.sb->Command6_Click(static_cast<int16_t>(k)); });
    add("sb.Steps", S, 2, 1, Always(Cls::Look),
        [](World& w, int k) { w.sb->SetTestCheck(k == 0 ? "Check2" : "Check3", w.sb->Checked(k == 0 ? "Check2" : "Check3") ? 0 : 1); });
    add("sb.Save", S, 1, 1, Always(Cls::Change), [](World& w, int) { w.sb->Command1_Click(); });
    add("sb.Stop", S, 1, 1, Always(Cls::Stop), [](World& w, int) { w.sb->Command7_Click(); });
    // The boxes with the frame each lies in: the settings (their change
    // handlers edit the working copy) and the tests' angle and steps.
    add("sb.Box", S, 20 * kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        struct Box {
            const char* name;
            const char* frame;
        };
        static const Box box[] = {{"Text1(0)", "Frame2"}, {"Text1(1)", "Frame5"}, {"Text1(2)", "Frame5"},
                                  {"Text1(3)", "Frame6"}, {"Text1(4)", "Frame2"}, {"Text1(5)", "Frame11"},
                                  {"Text1(6)", "Frame5"}, {"Text2(0)", "Frame1"}, {"Text3(0)", "Frame9"},
                                  {"Text3(1)", "Frame9"}, {"Text3(2)", "Frame9"}, {"Text3(3)", "Frame9"},
                                  {"Text3(4)", "Frame9"}, {"Text5(0)", "Frame8"}, {"Text5(1)", "Frame8"},
                                  {"Text5(2)", "Frame8"}, {"Text5(3)", "Frame8"}, {"Text6", "Frame10"},
                                  {"Text7", "Frame9"},    {"Text8", "Frame1"}};
        const Box& b = box[BoxOf(k) % 20];
        if (!SbReachable(w, b.name, b.frame)) return;
        const std::string name = b.name;
        const std::string base = name.substr(0, name.find('('));
        const auto index = static_cast<int16_t>(name.size() > base.size() ? name[base.size() + 1] - '0' : 0);
        const std::string text = TextOf(k);
        if (base == "Text1") w.sb->Text1_Change(index, text);
        else if (base == "Text2") w.sb->Text2_Change(index, text);
        else if (base == "Text3") w.sb->Text3_Change(index, text);
        else if (base == "Text5") w.sb->Text5_Change(index, text);
        else w.sb->SetTestText(name, text);
    });
    add("sb.Option", S, 19, 1, Always(Cls::Look), [](World& w, int k) {
        struct Option {
            int group;
            int16_t index;
            const char* frame;
        };
        static const Option option[] = {
            {1, 0, "Frame3"}, {1, 1, "Frame3"}, {2, 0, "Frame4"},  {2, 1, "Frame4"},  {3, 0, "Frame5"},
            {3, 1, "Frame5"}, {4, 0, "Frame6"}, {4, 1, "Frame6"},  {4, 2, "Frame11"}, {4, 3, "Frame11"},
            {5, 0, "Frame7"}, {5, 1, "Frame7"}, {6, 0, "Frame8"},  {6, 1, "Frame8"},  {7, 0, "Frame1"},
            {7, 1, "Frame1"}, {8, 0, "Frame9"}, {8, 1, "Frame9"},  {8, 2, "Frame9"}};
        const Option& o = option[k % 19];
        if (SbReachable(w, Indexed("Option" + std::to_string(o.group), o.index), o.frame))
            w.sb->Option_Click(o.group, o.index);
    });
    add("sb.Check1", S, 1, 1, Always(Cls::Look), [](World& w, int) {
        if (SbReachable(w, "Check1", "Frame8")) w.sb->Check1_Click(w.sb->Checked("Check1") == 1 ? 0 : 1);
    });
    // Combo1(k / 8): one of the six action words in the window's language
    // (0..5), a word of the other language (6), a typed non-word (7).
    add("sb.Combo", S, 32, 1, Always(Cls::Look), [](World& w, int k) {
        const auto box = static_cast<int16_t>(k / 8 % 4);
        if (!SbReachable(w, Indexed("Combo1", box), "Frame2")) return;
        const auto words = SlotWords();
        const bool zh = w.program().language() == 0;
        const int v = k % 8;
        const std::string text = v < 6 ? (zh ? words[static_cast<std::size_t>(v)].zh : words[static_cast<std::size_t>(v)].en)
                                 : v == 6 ? (zh ? words[0].en : words[0].zh)
                                          : "abc";
        w.sb->Combo1_Click(box, text);
    });
    add("sb.Return", S, 1, 1, Always(Cls::Look), [](World& w, int) { w.Show(Win::Main); });

    // ---- curvature table and bending tests ----
    const Win W = Win::Wfb;
    add("wfb.Seek", W, 1, 2, SeekButton("wfb", 2), [](World& w, int) { w.wfb->Command3_Click(); });
    add("wfb.Rotate", W, 2, 1, Always(Cls::Start), [](World& w, int k) {
        w.wfb->Text5 = k == 0 ? "0" : "20";
        w.wfb->Command4_Click();
    });
    add("wfb.Feed.Down", W, 2, 1, Always(Cls::Start), Press("wfb.Feed.Up", [](World& w, int k) {
            k == 0 ? w.wfb->Command5_MouseDown() : w.wfb->Command6_MouseDown();
        }));
    add("wfb.Feed.Up", W, 2, 1, Always(Cls::End), Release("wfb.Feed.Up", [](World& w, int k) {
            k == 0 ? w.wfb->Command5_MouseUp() : w.wfb->Command6_MouseUp();
        }));
    add("wfb.Test", W, 1, 2, Always(Cls::Start), [](World& w, int) { w.wfb->Command7_Click(); });
    add("wfb.Save", W, 1, 1, Always(Cls::Change), [](World& w, int) { w.wfb->Command1_Click(); });
    add("wfb.Stop", W, 1, 1, Always(Cls::Stop), [](World& w, int) { w.wfb->Command8_Click(); });
    // The curvature tables: cell b = k / kTyped of table b / 8 (0 positive,
    // 1 negative), column b / 4 % 2 (0 value, 1 radius), visible row
    // 0, 1, 2 or 14; the current row; the scroll bars (0, 1, half, end);
    // the add-below and delete buttons.
    add("wfb.Cell", W, 16 * kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        static const int row[] = {0, 1, 2, 14};
        const int b = BoxOf(k) % 16;
        w.wfb->TableText_Change(b / 8, b / 4 % 2, row[b % 4], TextOf(k));
    });
    add("wfb.Current", W, 8, 1, Always(Cls::Look), [](World& w, int k) {
        static const int row[] = {0, 1, 2, 14};
        w.wfb->TableText_Click(k / 4 % 2, row[k % 4]);
    });
    add("wfb.Scroll", W, 8, 1, Always(Cls::Look), [](World& w, int k) {
        const int table = k / 4 % 2, max = w.wfb->ScrollMax(table);
        const int value[] = {0, std::min(1, max), max / 2, max};
        w.wfb->VScroll_Change(table, value[k % 4]);
    });
    add("wfb.Row", W, 4, 1, Always(Cls::Look), [](World& w, int k) { w.wfb->Command9_Click(k % 4); });
    // The pat-arc spacing rows (the first row and Text9(14) are captions).
    add("wfb.Spacing", W, 6 * kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        static const int row[] = {1, 2, 13, 1, 2, 14};
        const int b = BoxOf(k) % 6;
        (b < 3 ? w.wfb->Text9 : w.wfb->Text10)[static_cast<std::size_t>(row[b])] = TextOf(k);
    });
    // Text5 the rotate angle; Text6..Text8 the pat-bending test's values.
    add("wfb.Box", W, 4 * kTyped, 1, Always(Cls::Look), [](World& w, int k) {
        std::string* box[] = {&w.wfb->Text5, &w.wfb->Text6, &w.wfb->Text7, &w.wfb->Text8};
        *box[BoxOf(k) % 4] = TextOf(k);
    });
    add("wfb.Return", W, 1, 1, Always(Cls::Look), [](World& w, int) { w.Show(Win::Main); });

    // ---- IO map ----
    add("io.Button", Win::Io, 5, 3, [](World&, int k) { return k == 2 ? Cls::End : Cls::Start; },
        [](World& w, int k) { w.io->Command1_Click(static_cast<int16_t>(k)); });
    add("io.Label", Win::Io, 8, 1, Always(Cls::Start),
        [](World& w, int k) { w.io->Label21_Click(static_cast<int16_t>(k)); });
    add("io.Return", Win::Io, 1, 1, Always(Cls::Look), [](World& w, int) { w.Show(Win::Main); });

    // ---- user levels and passwords ----
    const Win Y = Win::Yh;
    add("yh.Option", Y, 3, 1, Always(Cls::Look), [](World& w, int k) {
        if (!w.yh->userEnabled) return;
        k % 3 == 0 ? w.yh->Option1_Click() : k % 3 == 1 ? w.yh->Option2_Click() : w.yh->Option3_Click();
        CloseDoneYh(w);
    });
    // A password entered: the level chosen first unless its box is shown
    // (k / 9: 0 Machine Maker, 1 Control System Maker); the password right,
    // wrong or empty (k % 3; at most six characters, as the box takes);
    // then OK, Enter or cancel (k / 3 % 3).
    add("yh.Password", Y, 18, 1, Always(Cls::Look), [](World& w, int k) {
        YhForm& y = *w.yh;
        if (!y.passInVisible && y.userEnabled) k / 9 % 2 == 0 ? y.Option2_Click() : y.Option3_Click();
        if (!y.passInVisible) {
            CloseDoneYh(w);
            return;
        }
        const std::string right = y.selected == 2 ? y.passwords().maker : y.selected == 3 ? y.passwords().system : "";
        const std::string wrong = right == "000000" ? "999999" : "000000";
        y.Text1 = std::string(k % 3 == 0 ? right : k % 3 == 1 ? wrong : "").substr(0, 6);
        const int confirm = k / 3 % 3;
        confirm == 0 ? y.Command4_Click() : confirm == 1 ? y.Form_KeyPress(kKeyEnter) : y.Command3_Click();
        CloseDoneYh(w);
    });
    // A new password for the level in force (its panel opened first): the
    // old one right (bit 0 clear) or wrong, the new one storable (bit 1
    // clear) or holding a quote, confirmed alike (bit 2 clear) or not; then
    // OK (bit 3 clear) or cancel.
    add("yh.NewPassword", Y, 16, 1, Always(Cls::Look), [](World& w, int k) {
        YhForm& y = *w.yh;
        if (!y.passEditVisible && y.command5Enabled) y.Command5_Click();
        if (!y.passEditVisible) return;
        const std::string old = y.selected == 2 ? y.passwords().maker : y.selected == 3 ? y.passwords().system : "";
        const std::string fresh = (k & 2) ? "q\"1" : "4321";
        y.Text2 = ((k & 1) ? old + "9" : old).substr(0, 6);
        y.Text3 = fresh;
        y.Text4 = (k & 4) ? "0000" : fresh;
        (k & 8) ? y.Command2_Click() : y.Command1_Click();
    });
    // Return (0) or Esc (1).
    add("yh.Return", Y, 2, 1, Always(Cls::Look), [](World& w, int k) {
        k == 0 ? w.yh->Command6_Click() : w.yh->Form_KeyPress(kKeyEsc);
        CloseDoneYh(w);
    });

    // ---- the group frame left open while the level changes ----
    // A copy button of the frame as it stands (not opened again): the users
    // dialog may have changed the level since the frame opened.
    add("GroupCopyShown", M, 2, 2, Always(Cls::Change), [](World& w, int k) {
        const GroupFrame& g = w.m().group;
        if (g.visible && g.copyButtonsVisible) Command3_Click(w.m(), static_cast<int16_t>(3 + k % 2));
    });
    return c;
}

}  // namespace

const std::vector<Command>& Commands() {
    static const std::vector<Command> table = Build();
    return table;
}

const Command* FindCommand(std::string_view name) {
    for (const Command& c : Commands())
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace velbend::sequences
