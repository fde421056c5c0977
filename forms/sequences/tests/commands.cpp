// The commands of the sequence test: every button, box and menu entry of
// the main window and the dialogs that acts on the machine, a program or
// the parameters, the external buttons and the machine's surroundings.
// A held button is entered in World::held under its release step, so that
// closing its window lets it go as the window would.
#include <string>

#include "velbend/forms/drawing_menus.h"
#include "velbend/forms/drawing_view.h"
#include "velbend/machine/dialog_motion.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/program_writer.h"
#include "velbend/machine/run_state.h"
#include "velbend/machine/run_timer.h"
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
Act Release(std::string name, Act up) {
    return [name, up](World& w, int a) {
        w.held.erase(Step{name, a}.Text());
        up(w, a);
    };
}

// Clicks on a node of the drawing (`times` presses and releases).
void ClickNode(World& w, int k, int times) {
    auto& d = w.m.drawing;
    if (d.tables.mNodeCount < 2) return;
    const auto& node = d.tables.mNodes[static_cast<std::size_t>(1 + k % (d.tables.mNodeCount - 1))];
    double X = 0, Y = 0;
    DrawingToPixel(w.program, node.X, node.Y, X, Y);
    for (int i = 0; i < times; ++i) {
        Picture1_MouseDown(w.program, d, 1, 0, X, Y);
        Picture1_MouseUp(w.program, d, 1, 0, X, Y);
    }
}

const char* Pick(std::initializer_list<const char*> list, int k) {
    const int n = static_cast<int>(list.size());
    return list.begin()[((k % n) + n) % n];
}

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
    add("Label3", M, 1, 1, Always(Cls::End), [](World& w, int) { Label3_Click(w.m, 0); });
    add("Pieces", M, 4, 1, Always(Cls::Look), [](World& w, int k) {
        w.ctx().panel.Text5 = Pick({"1", "2", "0", "3"}, k);
        Text5_Change(w.program, w.m.drawing);
    });

    // ---- main window: the Machine Adjust frame ----
    add("Adjust", M, 3, 2, Always(Cls::Start), [](World& w, int k) { Command4_Click(w.ctx(), static_cast<int16_t>(k)); });
    add("AdjustValue", M, 6, 1, Always(Cls::Look),
        [](World& w, int k) { w.ctx().panel.Text14 = Pick({"200", "204", "190", "230", "2", ""}, k); });
    add("AdjustOk", M, 2, 3,
        [](World& w, int k) {
            const int16_t mode = w.run().mDebugMode;
            if (mode == 4 || mode == 5 || mode == 7) return k == 0 ? Cls::Change : Cls::Look;
            if (mode == 1) return k == 0 ? Cls::Start : Cls::Look;
            return mode == 2 || mode == 3 ? Cls::Start : Cls::Look;
        },
        [](World& w, int k) { Command5_Click(w.ctx(), static_cast<int16_t>(k)); });

    // ---- main window: the drawing ----
    add("Open", M, World::kOutlines, 2, Always(Cls::Change), [](World& w, int k) {
        w.op.fileAnswers.push_back(w.OutlinePath(k));
        打开_Click(w.program, w.m.drawing);
        w.op.fileAnswers.clear();
    });
    add("CloseOutline", M, 1, 1, Always(Cls::Change), [](World& w, int) { 关闭_Click(w.program, w.m.drawing); });
    add("Mirror", M, 1, 1, Always(Cls::Change), [](World& w, int) { 字形Y镜向_Click(w.program, w.m.drawing); });
    add("Pick", M, 16, 2, Always(Cls::Change), [](World& w, int k) { ClickNode(w, k, 1); });
    add("PickWhole", M, 16, 2, Always(Cls::Change), [](World& w, int k) { ClickNode(w, k, 2); });
    add("DeleteNode", M, 16, 1, Always(Cls::Change), [](World& w, int k) {
        删除节点_Click(w.program, w.m.drawing);
        ClickNode(w, k, 1);
        w.m.drawing.mMousePointer = 0;
    });
    add("UndoDelete", M, 2, 1, Always(Cls::Change), [](World& w, int k) {
        k == 0 ? 取消前一个删除_Click(w.program, w.m.drawing) : 取消删除_Click(w.program, w.m.drawing);
    });
    add("CancelSelect", M, 1, 1, Always(Cls::Change), [](World& w, int) { 取消选择_Click(w.program, w.m.drawing); });
    add("Offset", M, 1, 1, Always(Cls::Change), [](World& w, int) { Command1_Click(w.program, w.m.drawing); });
    add("Group", M, 1, 1, Always(Cls::Change), [](World& w, int) {
        切换参数组_Click(w.m);
        w.m.group.option1.fill(false);
        w.m.group.option1[static_cast<std::size_t>(w.program.params.gSysGroup)] = true;
        Command3_Click(w.m, 1);
    });
    add("GroupCopy", M, 2, 1, Always(Cls::Change), [](World& w, int k) {
        切换参数组_Click(w.m);
        Command3_Click(w.m, static_cast<int16_t>(3 + k % 2));
    });
    add("Language", M, 2, 1, Always(Cls::Look),
        [](World& w, int k) { k == 0 ? Chinese_Click(w.m) : English_Click(w.m); });
    add("Radius", M, 3, 1, Always(Cls::Change), [](World& w, int k) { Text15_Change(w.m, Pick({"1.5", "3", "0"}, k)); });
    add("Check", M, 2, 1, Always(Cls::Look), [](World& w, int k) {
        auto& panel = w.ctx().panel;
        if (k == 0) panel.Check2 = panel.Check2 == 1 ? 0 : 1;
        else if (panel.Check3Enabled) panel.Check3 = panel.Check3 == 1 ? 0 : 1;
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

    // ---- the technological parameters of the makers (levels 1, 2) ----
    add("gy.Mode", Win::Gy, 2, 1, Always(Cls::Look),
        [](World& w, int k) { k == 0 ? w.gy->Option1_Click() : w.gy->Option2_Click(); });
    add("gy.Save", Win::Gy, 1, 1, Always(Cls::Change), [](World& w, int) { w.gy->Command1_Click(); });

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

    // ---- IO map ----
    add("io.Button", Win::Io, 5, 3, [](World&, int k) { return k == 2 ? Cls::End : Cls::Start; },
        [](World& w, int k) { w.io->Command1_Click(static_cast<int16_t>(k)); });
    add("io.Label", Win::Io, 8, 1, Always(Cls::Start),
        [](World& w, int k) { w.io->Label21_Click(static_cast<int16_t>(k)); });
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
