// MachineContext: the machine side's program state, one object per running
// program, passed by reference to every handler of the machine core (Run,
// Pause, Stop, the run timer, the line interpreter, jog and seek zero, the
// calibration tests, the slot export).  Tests build a fresh one each.
//
//   ParamStore& params   system parameters, curvature and spacing tables,
//                        gLanguage, gUserLevel (params/)
//   Operator&   op       message boxes (common/operator.h)
//   Card        card     the card library binding (card.h), card 0
//   RunState    run      line buffer, run flags, seek zero, pause/step, ...
//   MainPanel   panel    the main window's controls as plain data
//   MoveRing    ring     pending bends of the program writer
//   WriterState writer   the program writer's members
//   MainWindowHooks hooks  what the main window / geometry does for us
//   bool secondBuild     the Velbend-CS7 differences (set by the app from
//                        kSecondBuild; tests may set it either way)
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "velbend/common/operator.h"
#include "velbend/geometry/path_length.h"
#include "velbend/machine/card.h"
#include "velbend/machine/main_panel.h"
#include "velbend/machine/run_state.h"
#include "velbend/params/store.h"

namespace velbend {

#ifdef VELBEND_CS7
inline constexpr bool kSecondBuild = true;
#else
inline constexpr bool kSecondBuild = false;
#endif

// One pending bend.
//   Position  absolute strip position (mm) at which the bend happens
//   Radius    arc radius (mm) of an arc step; a corner's turn value (deg)
//   Kind      0 corner; sign = bend direction of an arc step (negative: the
//             positive curvature table); magnitude 1 a step inside a run of
//             arc steps, 2 the last step of a run
//   Value     turning angle of an arc step in radians (Radius x Value is the
//             strip length of the step); 0 for a corner
struct MoveRec {
    double  Position = 0;
    double  Radius = 0;
    int16_t Kind = 0;
    double  Value = 0;
};

// The move ring: 1001 slots, at most 1000 records; empty when
// mMoveWrite == mMoveRead.  mCurMove is the oldest pending bend, taken out
// of the ring and not yet written (Position 0: nothing held).
struct MoveRing {
    static constexpr int16_t kSlots = 1001;
    std::array<MoveRec, kSlots> mMoveRing{};
    int16_t mMoveWrite = 0;
    int16_t mMoveRead = 0;
    MoveRec mCurMove;
    double  mProgBendY = 0;  // Y value of the last bend line written (before compensation)
};

// Members of the program writer and of the bend step (reset by each Run).
struct WriterState {
    double  mCornerZone = 0;     // cutter zone of the last corner, taken off the next segment
    int16_t mCycleIndex = 0;     // piece being written, 1..N
    double  mLastSlotPos = 0;    // strip position of the last slotting block
    std::vector<double> mSplicePos;  // strip positions of splices; grows as needed
    int16_t mSpliceIndex = 0;    // next splice to pass
    int16_t mSpliceCount = 0;    // splices in the list
    double  mLastStepPos = 0;    // Position of the last bend step not skipped
    double  mLastFixPos = 0;     // strip position of the last encoder-correction request
    // Second build: pre-positioning of the double mechanism's continuous bends.
    int16_t mPrePosDone = 0;
    double  mLastContBend = 0;
    // What Run recorded of its captions and boxes: the job length its end
    // compares the fed length with (mm, as put in Label4(2)), the pieces
    // (Text5), the splice (Text4) and the piece length (Label4(1)).  While
    // the run is on, its remaining length and markers come from these,
    // whatever the boxes say by then.
    double  mJobLength = 0;
    double  mRunPieces = 0;
    double  mRunSplice = 0;
    double  mRunPieceLength = 0;
};

// What the main window and the geometry engine do for the machine core.
// The app wires the window's ones; a hook left empty does nothing, except
// CalcPathLength, TurnAngle and Cal_arcdir, which then use the geometry's
// own calculations (path_length.h, plane.h, CoreAlgorithm).
struct MainWindowHooks {
    // Rebuild CtrP.dat from PointForControl.dat (contour offset action).
    std::function<void()> BuildCtrPFile;
    // Strip length of CtrP.dat; also gives the number of "SPLINE" lines read.
    // Returns false when the file could not be read.
    std::function<bool(double& total, int16_t& splineLines)> CalcPathLength;
    // Recompile the drawing's display list (argument: segment to highlight).
    std::function<void(int16_t selected)> BuildDisplayList;
    // Stop: discard the picked contours (mSelection entries freed, mSelCount
    // := 0) and empty the picked control points (mCore.ControlPointCls).
    std::function<void()> DiscardPicks;
    // Turning sense of three points: TurnAngle gives -1/0/1 (sign of the
    // turn value at the middle point), Cal_arcdir -1 (counter-clockwise) or
    // +1 (clockwise or straight).
    std::function<int16_t(double, double, double, double, double, double)> TurnAngle;
    std::function<int16_t(double, double, double, double, double, double)> Cal_arcdir;
};

struct MachineContext {
    MachineContext(ParamStore& p, Operator& o) : params(p), op(o) {}
    MachineContext(const MachineContext&) = delete;
    MachineContext& operator=(const MachineContext&) = delete;

    ParamStore& params;
    Operator&   op;
    Card        card;
    RunState    run;
    MainPanel   panel;
    MoveRing    ring;
    WriterState writer;
    MainWindowHooks hooks;
    bool secondBuild = kSecondBuild;
    // The path table of the loaded outline (cumulative strip length, X, Y
    // per path point, from the strip-length calculation); the run timer
    // places the position markers on it.
    std::vector<PathEntry> mPathTable;
    int32_t mPathPointCount = 0;
    // While the Machine Adjust frame asks for the measurement of its test:
    // the group and the table (as SysParaBytes) the test ran on.  The
    // measurement corrects that table only.
    int16_t mAdjustGroup = -1;
    std::string mAdjustTable;
    // Whether the encoder corrected the feed of the frame's last test
    // started (its program carried M34): the feed test's measurement then
    // corrects gEncoderEquiv, else the feed's PulseEquivalent.
    bool mAdjustByEncoder = false;

    // Shortcuts.
    SysPara& sys() { return params.gSysParaTable; }
    const SysPara& sys() const { return params.gSysParaTable; }
    AxisPara& axis(int n) { return params.gSysParaTable.gAxisPara[static_cast<std::size_t>(n)]; }
    // The text of the current language (gLanguage 0: Chinese).
    const char* Tr(const char* zh, const char* en) const { return params.gLanguage == 0 ? zh : en; }
    // Message titles.
    const char* TitleWrong() const { return Tr("错误", "Wrong"); }
    const char* TitleTips() const { return Tr("操作提示", "Operation Tips"); }
};

}  // namespace velbend
