#include "velbend/machine/program_writer.h"

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/machine/interpreter.h"
#include "velbend/geometry/ctrpath.h"
#include "velbend/geometry/path_length.h"
#include "velbend/geometry/plane.h"
#include "velbend/machine/line_sink.h"
#include "velbend/machine/move_ring.h"
#include "velbend/machine/program_start.h"
#include "velbend/machine/slot_block.h"

namespace velbend {
namespace {

std::string F4(double v) { return Format(v, "0.0000"); }
std::string F0(double v) { return Format(v, "0"); }

// A record of CtrP.dat; a "SPLINE" line, when it is the look-ahead point,
// has the coordinates that its fields 0 and 1 give.
CtrPLine ParseRecord(std::string_view line) {
    CtrPLine r = ParseCtrPLine(line);
    if (r.Spline) {
        const BlankFields<2> f(line);
        r.X = Val(f[0]);
        r.Y = Val(f[1]);
    }
    return r;
}

// The arc compensation of a strip step of `step` mm from (xp, yp) to the
// point `r`, `next` the point after it in its contour (null when none
// follows), by the rule of the length captions (path_length.h): only a
// bending arc is compensated; its side comes from the window's TurnAngle or
// Cal_arcdir where given, else from the geometry's; with no next point it
// has no side (0) and nothing is added.
struct StripArc {
    bool bending = false;  // a bending arc point (IsBendingArc)
    int side = 0;          // -1, 0 or +1 (BendingArcSide)
    double add = 0;        // mm added to the step (negative: it shortens it)
};

StripArc StripArcOf(const MachineContext& ctx, double xp, double yp, const CtrPLine& r, const CtrPLine* next,
                    double step) {
    StripArc arc;
    arc.bending = IsBendingArc(ctx.sys(), r.A, r.Kind);
    if (!arc.bending || next == nullptr) return arc;
    // The window's own calculation of the side where it gives one, else the
    // geometry's, by the rule the captions share.
    const ArcRule rule = ArcRuleOf(ctx.panel.Label4[0]);
    const auto& side = ctx.secondBuild && rule == ArcRule::Dxf ? ctx.hooks.Cal_arcdir : ctx.hooks.TurnAngle;
    arc.side = side ? side(xp, yp, r.X, r.Y, next->X, next->Y)
                    : BendingArcSide(rule, ctx.secondBuild, xp, yp, r.X, r.Y, next->X, next->Y);
    arc.add = ArcCompensation(ctx.sys(), step, r.A, arc.side);
    return arc;
}

// The program writer of one Run.
class Writer {
public:
    Writer(MachineContext& ctx, const std::vector<std::string_view>& lines, ProgramLines& out)
        : ctx_(ctx), s_(ctx.sys()), lines_(lines), out_(out) {
        f1_ = F0(ctx.axis(1).AutoFeedrate);
        gap_ = Val(ctx.panel.Text4);
        startComp_ = s_.gStartLenComp;
        endComp_ = s_.gEndLenComp;
    }

    void Preamble();
    // False when the program became too long to be run (writing stops).
    bool Pieces(int pieces);
    void Ending();
    // Where the strip stands: now, and (when given) at each corner line.
    double Position() const { return P_; }
    void RecordCorners(std::vector<double>* at) { corners_ = at; }

private:
    // Line access with one look-ahead line.
    bool AtEnd() const { return next_ >= lines_.size(); }
    std::string_view Read() { return lines_[next_++]; }

    void SplineLine(const CtrPLine& r);
    void CornerLine(const CtrPLine& r);
    void Segment(const CtrPLine& r);
    void SlotCorner(double B);
    void TightArcSlot(double phi, int d);
    void SplicePause();
    void AppendComp() { ctx_.run.AppendCompPoint(P_, ctx_.run.mLengthComp); }
    void EndSlotBlock(double B, bool endOfPiece);

    MachineContext& ctx_;
    const SysPara& s_;
    const std::vector<std::string_view>& lines_;
    ProgramLines& out_;
    std::size_t next_ = 0;

    std::string f1_;
    double gap_ = 0;
    double P_ = 0;
    double Xp_ = 0, Yp_ = 0;
    bool firstPending_ = true;
    bool contourOpen_ = false;
    double startComp_ = 0, endComp_ = 0;
    int h_ = 0;
    std::optional<std::string_view> pending_;
    std::optional<CtrPLine> lastSpline_;
    int lastArcDir_ = 0;
    std::vector<double>* corners_ = nullptr;
};

void Writer::Preamble() {
    auto& card = ctx_.card;
    const auto& panel = ctx_.panel;
    const std::string delay = F0(s_.gBendMechDelay);
    if (s_.gBendMechanisms == 1) out_ << "M19" << "G04 P" + delay;
    if (panel.Check4 == 1) {
        out_ << "G90 G01" << "G92 X0";
        if (s_.gRunMode == 0) out_ << "M36" << "M30";
    }
    if (panel.Check2 == 1) {
        out_ << "G90 G01" << "G92 X0";
        if (card.read_bit(0, 17) != 0 && s_.gCutterUpDownMode == 0 && s_.gRunMode == 0) {
            out_ << "M14";
            if (s_.gPositionDetectMode == 0)
                out_ << "M00";
            else
                out_ << "G04 P" + F0(s_.gPositionDetectDelay);
            out_ << "M15";
        }
        if (s_.gRunMode == 0 &&
            (s_.gAxisKindA == 0 || (s_.gAxisKindA == 1 && s_.gSeekZeroBeforeForward == 0)) &&
            (s_.gSwingModeP == 0 || s_.gSwingModeN == 0 || s_.gSlotSides == 0 || s_.gAxisKindA == 1))
            out_ << "M42" << "M30";
        if (s_.gBendMechanisms > 0) {
            const std::string f2 = F0(ctx_.axis(2).AutoFeedrate);
            if (card.read_bit(0, 8) == 0 && s_.gBendMechanisms == 1) {
                out_ << "G91 Y" + F4(s_.gMaxBendAngle / 2) + " F" + f2 << "G90";
            } else {
                int32_t pos = 0;
                card.get_command_pos(0, 2, &pos);
                // The caller has made sure the pulse equivalent is not 0.
                const double p = pos / ctx_.axis(2).PulseEquivalent;
                if (ctx_.run.mBendHomed == 0)
                    out_ << "Y" + F4(p - 30) + " F" + f2;
                else if (p > 10 && ctx_.run.mBendHomed == -1)
                    out_ << "Y0 F" + f2;
            }
            if (s_.gRunMode == 0) out_ << "M38" << "M30";
        }
        if (s_.gCutterUpDownMode == 1 && s_.gRunMode == 0) out_ << "M40" << "M30";
    }
    out_ << "G90 G01" << "G92 X0 Y0 Z0 A0";
}

void Writer::SplicePause() {
    auto& w = ctx_.writer;
    if (w.mSpliceIndex < w.mSpliceCount && static_cast<std::size_t>(w.mSpliceIndex) < w.mSplicePos.size() &&
        s_.gSplicePause > 0 && P_ >= w.mSplicePos[static_cast<std::size_t>(w.mSpliceIndex)]) {
        out_ << "X" + F4(w.mSplicePos[static_cast<std::size_t>(w.mSpliceIndex)]) + " F" + f1_;
        out_ << "G04 P" + F0(s_.gSplicePause * 1000.0) + " ;connect pause";
        ++w.mSpliceIndex;
    }
}

// The slotting table for a corner of turn B (already raised to the cutter
// angle); B = 0 writes nothing.
void Writer::SlotCorner(double B) {
    const double c = s_.gCutterAngle;
    const double half = (std::fabs(B) - c) / 2;
    if (B < 0) {
        if (s_.gSwingModeP == 0)
            Print_KCaction(ctx_, out_, half, 2, 0, 0);
        else
            Print_KCaction(ctx_, out_, 0, 1, 0, 0);
    } else if (B > 0) {
        if (s_.gSlotSides == 0) {
            if (s_.gSwingModeN == 0)
                Print_KCaction(ctx_, out_, half + 180, 2, 1, 0);
            else
                Print_KCaction(ctx_, out_, 180, 1, 1, 0);
        } else {
            if (s_.gSwingModeN == 0)
                Print_KCaction(ctx_, out_, half, 2, 1, 0);
            else
                Print_KCaction(ctx_, out_, 0, 1, 1, 0);
        }
    }
}

// A slotting block at an arc too tight to bend: the step angle phi (degrees)
// takes the place of the corner turn, the side is that of the last bending
// arc d; the calculated swing only when |phi| is above the cutter angle.
void Writer::TightArcSlot(double phi, int d) {
    const double c = s_.gCutterAngle;
    const double half = (std::fabs(phi) - c) / 2;
    const bool swingOk = std::fabs(phi) > c;
    if (d < 0) {
        if (s_.gSwingModeP == 0 && swingOk)
            Print_KCaction(ctx_, out_, half, 2, 0, 0);
        else
            Print_KCaction(ctx_, out_, 0, 1, 0, 0);
    } else if (d > 0) {
        if (s_.gSlotSides == 0) {
            if (s_.gSwingModeN == 0 && swingOk)
                Print_KCaction(ctx_, out_, half + 180, 2, 1, 0);
            else
                Print_KCaction(ctx_, out_, 180, 1, 1, 0);
        } else {
            if (s_.gSwingModeN == 0 && swingOk)
                Print_KCaction(ctx_, out_, half, 2, 1, 0);
            else
                Print_KCaction(ctx_, out_, 0, 1, 1, 0);
        }
    }
}

// The slotting block of a header or closing line (start or end point of
// the strip).  At the end of a piece the swing is always the negative one
// and the header counter starts again.
void Writer::EndSlotBlock(double B, bool endOfPiece) {
    const double c = s_.gCutterAngle;
    if (B <= 5) {
        if (B > 0) B = 0;
        if (s_.gSwingModeP == 0) {
            const double a = (std::fabs(B) - c) / 2;
            if (endOfPiece) {
                h_ = 0;
                Print_KCaction(ctx_, out_, -a, 3, 0, 0);
            } else {
                h_ = h_ + 1;
                Print_KCaction(ctx_, out_, (h_ % 2 == 1) ? a : -a, 3, 0, 0);
            }
        } else {
            if (endOfPiece) h_ = 0;
            Print_KCaction(ctx_, out_, 0, 3, 0, 0);
        }
    } else {
        if (endOfPiece) h_ = 0;
        Print_KCaction(ctx_, out_, s_.gSlotSides == 0 ? 180 : 0, 3, 1, 0);
    }
}

void Writer::SplineLine(const CtrPLine& r) {
    auto& w = ctx_.writer;
    EndSlotBlock(r.B, false);
    // A turn of 5 degrees or less is no real corner: it counts as 0 here too.
    const double B = (r.B <= 5 && r.B > 0) ? 0 : r.B;
    if (B > 0.1 && B < 179.9)
        w.mCornerZone = CutterZone(B, s_.gMillRadius, s_.gMillRadiusCoef);
    else if (!contourOpen_)
        w.mCornerZone = 0;  // a new contour owes nothing to the corner the previous one closed on
    firstPending_ = true;
    if (!contourOpen_) {
        contourOpen_ = true;
        return;
    }
    // The block's closing line: the contour ends, the gap to the next one.
    contourOpen_ = false;
    P_ += gap_;
    FlushMoveQueue(ctx_, out_, P_ - gap_, P_);
    out_ << "X" + F4(P_) + " F" + f1_;
    w.mSplicePos.push_back(P_ + s_.gBendToSlotDist + 10);
    w.mSpliceCount = static_cast<int16_t>(w.mSplicePos.size());
    out_ << "M100";
}

void Writer::CornerLine(const CtrPLine& r) {
    if (corners_) corners_->push_back(P_);
    double B = r.B;
    firstPending_ = true;
    const double absB = std::fabs(B);
    if (absB >= s_.gSlotThreshold || r.Kind == 5) {
        ctx_.writer.mLastSlotPos = P_;
        if (absB < s_.gCutterAngle && B != 0) B = (B < 0 ? -1 : 1) * s_.gCutterAngle;
        SlotCorner(B);
    } else if (r.Kind == 2 && absB >= s_.gSlotToBendThreshold) {
        // The bender makes the corner.
        QueueMove(ctx_, P_ + s_.gBendToSlotDist, B, 0, 0);
    }
}

void Writer::Segment(const CtrPLine& r) {
    auto& run = ctx_.run;
    auto& w = ctx_.writer;
    // The step's own length: what the arc compensation applies to, as in
    // the length captions (the corner zones and length compensations taken
    // off below are counted in mLengthComp).
    const double step = std::hypot(r.X - Xp_, r.Y - Yp_) + r.C;
    double L = step;

    if (std::fabs(startComp_) > 0.001) {
        L += startComp_;
        run.mLengthComp -= startComp_;
        AppendComp();
        startComp_ = 0;
    }
    if (w.mCornerZone > 0.01) {
        L -= w.mCornerZone;
        run.mLengthComp += w.mCornerZone;
        AppendComp();
        w.mCornerZone = 0;
    }

    // Look ahead one line.
    CtrPLine next;
    bool nextIsPoint = false;
    if (!AtEnd()) {
        pending_ = Read();
        next = ParseRecord(*pending_);
        nextIsPoint = !next.Spline;
        if (next.Spline) {
            if (std::fabs(endComp_) > 0.001) {
                L += endComp_;
                run.mLengthComp -= endComp_;
                AppendComp();
                endComp_ = 0;
            }
            if (next.A == 0 && next.B > 0.1 && next.B < 179.9) {
                w.mCornerZone = CutterZone(next.B, s_.gMillRadius, s_.gMillRadiusCoef);
                L -= w.mCornerZone;
                run.mLengthComp += w.mCornerZone;
                AppendComp();
            }
        } else if (next.B > 1 || next.B < -1) {
            // A segment shorter than the cutter zones taken off it feeds
            // nothing; what it could not give is no compensation either, so
            // that the job length still is the length the run feeds.
            if (L < 0) {
                run.mLengthComp += L;
                L = 0;
            }
        } else if (std::fabs(next.B) > 0.1 && std::fabs(next.B) < 179.9) {
            const double alpha = (180 - std::fabs(next.B)) / 2;
            const double Z = CutterZone(std::fabs(next.B), s_.gMillRadius, s_.gMillRadiusCoef);
            L -= Z;
            run.mLengthComp += Z;
            AppendComp();
            w.mCornerZone = s_.gMillRadius / std::tan(alpha * kPi / 180);
        }
    }

    P_ += L;
    if (L < 0) ShiftPendingMoves(ctx_, P_, L);

    const StripArc arc = StripArcOf(ctx_, Xp_, Yp_, r, nextIsPoint ? &next : nullptr, step);
    if (arc.bending) {
        lastArcDir_ = arc.side;
        P_ += arc.add;
        L += arc.add;
        QueueMove(ctx_, P_ - L + s_.gBendToSlotDist, r.A, static_cast<int16_t>(arc.side), r.B);
        QueueMove(ctx_, P_ + s_.gBendToSlotDist, r.A, static_cast<int16_t>(arc.side), r.B);
    } else if (r.A > 0.1 && r.Kind == 0) {
        TightArcSlot(r.B * 180 / kPi, lastArcDir_);
    }

    FlushMoveQueue(ctx_, out_, P_ - L, P_);
    SplicePause();
    out_ << "X" + F4(P_) + " F" + f1_;
    Xp_ = r.X;
    Yp_ = r.Y;
}

bool Writer::Pieces(int pieces) {
    auto& w = ctx_.writer;
    auto& ring = ctx_.ring;
    for (int cycle = 1; cycle <= pieces; ++cycle) {
        w.mCycleIndex = static_cast<int16_t>(cycle);
        next_ = 0;
        contourOpen_ = false;
        pending_.reset();
        lastSpline_.reset();
        if (s_.gCutterRotateMode == 1) out_ << "M10";

        while (!AtEnd()) {
            if (ring.mCurMove.Position == 0)
                NextQueuedMove(ctx_, ring.mCurMove.Position, ring.mCurMove.Radius, ring.mCurMove.Kind,
                               ring.mCurMove.Value);
            std::string_view line;
            if (pending_) {
                line = *pending_;
                pending_.reset();
            } else {
                line = Read();
            }
            const CtrPLine r = ParseRecord(line);
            if (r.Spline) {
                lastSpline_ = r;
                SplineLine(r);
            } else if (r.Kind == 1 && firstPending_) {
                Xp_ = r.X;
                Yp_ = r.Y;
                firstPending_ = false;
            } else if (r.Kind == 4) {
                firstPending_ = true;
            } else if (r.Kind == 2 || r.Kind == 5) {
                CornerLine(r);
            } else if (r.Kind == 0 || r.Kind == 1) {
                Segment(r);
            }
        }

        // End of the piece: the last block's closing line (held as the
        // look-ahead line; the last line read when there was none).
        double B = 0;
        if (pending_)
            B = ParseRecord(*pending_).B;
        else if (lastSpline_)
            B = lastSpline_->B;
        pending_.reset();
        EndSlotBlock(B, true);
        w.mLastSlotPos = P_;
        if (pieces > cycle) {
            P_ += gap_;
            FlushMoveQueue(ctx_, out_, P_ - gap_, P_);
            out_ << "X" + F4(P_) + " F" + f1_;
            w.mSplicePos.push_back(P_ + s_.gBendToSlotDist + 10);
            w.mSpliceCount = static_cast<int16_t>(w.mSplicePos.size());
        }
        // A program this long would be refused anyway: stop writing.
        if (out_.size() >= static_cast<std::size_t>(RunState::kTooLongLines)) return false;
    }
    return true;
}

void Writer::Ending() {
    const std::string delay = F0(s_.gBendMechDelay);
    if (s_.gCutterRotateMode == 1) out_ << "M11";
    P_ += s_.gBendToSlotDist;
    FlushMoveQueue(ctx_, out_, P_ - s_.gBendToSlotDist, P_);
    for (int16_t before = -1; before != ctx_.writer.mSpliceIndex;) {
        before = ctx_.writer.mSpliceIndex;
        SplicePause();
    }
    const std::string f1f = F4(ctx_.axis(1).AutoFeedrate);
    if (s_.gBendMechanisms == 2) {
        out_ << "X" + F4(P_) + " Y0.0000 F" + f1f;
    } else if (s_.gBendMechanisms == 1) {
        if (ctx_.ring.mProgBendY > 0.01) {
            out_ << "X" + F4(P_) + " Y0.0000 F" + f1f << "M19" << "G04 P" + delay;
        } else {
            out_ << "X" + F4(P_) + " Y" + F4(s_.gMaxBendAngle) + " F" + f1f << "M19" << "G04 P" + delay;
            out_ << "Y0.0000 F" + F4(ctx_.axis(2).AutoFeedrate);
        }
    }
    out_ << "X" + F4(P_ + Val(ctx_.panel.Text7)) + " F" + f1_;
    out_ << "A0.0000 F" + F4(ctx_.axis(4).AutoFeedrate);
    if (ctx_.panel.Check3 == 1 && s_.gXEncoderPort >= 1) out_ << "G04 P400" << "M34" << "G04 P100";
}

void Critical(MachineContext& ctx, const char* zh, const char* en) {
    ctx.op.MsgBox(ctx.Tr(zh, en), MsgButtons::Ok, MsgIcon::Critical, ctx.TitleWrong());
}


// |command position / pulse equivalent| of an axis is within 0.02.
bool AtZero(MachineContext& ctx, int axis) {
    int32_t pos = 0;
    ctx.card.get_command_pos(0, axis, &pos);
    return std::fabs(pos / ctx.axis(axis).PulseEquivalent) <= 0.02;
}

// The length captions: one piece and the whole job.  The strip length comes
// from the main window's calculation when it is wired, else from the path
// itself (which also refreshes the path table the run timer follows).
void RefreshLengthCaptions(MachineContext& ctx, const std::string& ctrp) {
    auto& panel = ctx.panel;
    const double g = Val(panel.Text4);
    double T = 0;
    int16_t n = 0;
    if (ctx.hooks.CalcPathLength) {
        if (!ctx.hooks.CalcPathLength(T, n)) return;
    } else {
        PathLength len = CalcPathLength(ctrp, ctx.sys(), g, ArcRuleOf(panel.Label4[0]), ctx.secondBuild);
        T = len.Total;
        n = len.mSplineLineCount;
        ctx.mPathTable = std::move(len.mPathTable);
        ctx.mPathPointCount = len.mPathPointCount;
    }
    SetLengthCaptions(panel, T, n, ctx.sys().gBendToSlotDist);
}

}  // namespace

void SetLengthCaptions(MainPanel& panel, double total, int16_t splineLines, double bendToSlotDist) {
    const double g = Val(panel.Text4);
    const double gaps = std::floor((splineLines - 1) / 2.0);
    panel.Label4[1] = Format(total - gaps * g, "0.0000") + "  mm";
    const double Tp = Val(panel.Label4[1]) + gaps * g;
    const double N = Val(panel.Text5);
    panel.Label4[2] = Format((N - 1) * g + N * Tp + Val(panel.Text7) + bendToSlotDist, "0.0000") + "  mm";
}

StripPositions ProgramStripPositions(const MachineContext& ctx, const std::vector<std::string_view>& lines) {
    ParamStore params = ctx.params;
    RecordingOperator quiet;
    MachineContext copy(params, quiet);
    copy.panel = ctx.panel;
    copy.hooks = ctx.hooks;
    copy.secondBuild = ctx.secondBuild;
    ProgramLines out;
    Writer writer(copy, lines, out);
    StripPositions at;
    writer.RecordCorners(&at.corners);
    writer.Pieces(1);
    at.end = writer.Position();
    return at;
}

void Command_Run_Click(MachineContext& ctx) {
    auto& run = ctx.run;
    auto& ring = ctx.ring;
    auto& w = ctx.writer;
    auto& panel = ctx.panel;
    const SysPara& s = ctx.sys();

    // 1. Resume; else nothing unless the machine's state admits a start
    // (a held jog is motion too).
    if (run.mPaused == 1) {
        run.mPaused = 0;
        return;
    }
    if (!MayAct(ctx, CommandClass::StartMotion)) return;

    // Parameters the program is computed with: pulse equivalents divide (the
    // feed's always: the run counts its fed length down).
    for (int axis = 1; axis <= 4; ++axis) {
        const bool needed = axis == 1 || panel.Check2 != 1 || (axis == 2 && s.gBendMechanisms > 0);
        if (needed && ctx.axis(axis).PulseEquivalent == 0) {
            const std::string zh = "轴" + std::to_string(axis) + "的脉冲当量为0，请检查轴参数！";
            const std::string en = "The pulse equivalent of axis " + std::to_string(axis) +
                                   " is 0, please check the axis parameters!";
            ctx.op.MsgBox(ctx.Tr(zh.c_str(), en.c_str()), MsgButtons::Ok, MsgIcon::Critical, ctx.TitleWrong());
            return;
        }
    }
    // The encoder checks of an encoder-corrected run divide by both
    // equivalents: refused once here, not at every check of the run.
    if (panel.Check3 == 1 && s.gXEncoderPort >= 1 && (s.gEncoderEquiv == 0 || ctx.axis(1).PulseEquivalent == 0)) {
        ReportZeroEquivalent(ctx);
        return;
    }
    // Number of pieces: a whole number (the captions and the run's end use
    // the value as it stands, the program makes whole pieces).
    const double count = Val(panel.Text5);
    const auto pieces = ToInteger(count);
    // A whole count beyond what a count can hold makes a program far beyond
    // the line buffer: that is what the operator is told.
    if (!pieces && std::isfinite(count) && count > 0 && count == std::floor(count)) {
        ReportProgramTooLong(ctx);
        return;
    }
    if (!pieces || *pieces < 1 || count != *pieces) {
        Critical(ctx, "加工数量必须为正整数！", "The number of pieces must be a whole number of at least 1!");
        return;
    }

    // 2. Reset.
    ring.mMoveWrite = 0;
    ring.mMoveRead = 0;
    ring.mCurMove = MoveRec{};
    ring.mProgBendY = 0;
    w.mLastStepPos = 0;
    w.mLastFixPos = 0;
    w.mCornerZone = 0;
    w.mSplicePos.clear();
    w.mSpliceIndex = 0;
    w.mSpliceCount = 0;
    w.mPrePosDone = 0;
    w.mLastContBend = 0;
    run.mCycleCount = -1;

    // 3. Zero checks.
    if (panel.Check2 != 1) {
        if (!AtZero(ctx, 2)) {
            Critical(ctx, "弯弧电机未在零位！", "Bend Motor is not at zero position!");
            return;
        }
        if (!AtZero(ctx, 3)) {
            Critical(ctx, "下刀电机未在零位！", "Down cutter motor is not at zero position!");
            return;
        }
        if (!AtZero(ctx, 4)) {
            Critical(ctx, "摆角或进刀电机未在零位！", "Swing or Foward motor is not at zero position!");
            return;
        }
        if (s.gCutterUpDownMode == 0 && s.gRunMode == 0 && ctx.card.read_bit(0, 17) != 0) {
            Critical(ctx, "切刀未在零位！", "Cutter is not at zero position!");
            return;
        }
    }

    // 4. The control path; built when empty.
    const auto ctrpFile = ProgramFile("CtrP.dat");
    auto bytes = ReadFileBytes(ctrpFile);
    if (!bytes || SplitLines(*bytes).empty()) {
        if (ctx.hooks.BuildCtrPFile) ctx.hooks.BuildCtrPFile();
        bytes = ReadFileBytes(ctrpFile);
    }
    // Without a path nothing starts, and G5.dat is left empty: no earlier
    // program stays behind.
    const auto g5 = ProgramFile("G5.dat");
    const auto lines = bytes ? SplitLines(*bytes) : std::vector<std::string_view>{};
    if (lines.empty()) {
        WriteProgram(ctx, g5, ProgramLines{});
        return;
    }
    // The captions the run relies on (its end compares the fed length with
    // the job length to choose its message) are refreshed for the path and
    // the piece count of this run.
    RefreshLengthCaptions(ctx, *bytes);
    w.mJobLength = Val(panel.Label4[2]);
    w.mRunPieces = Val(panel.Text5);
    w.mRunSplice = Val(panel.Text4);
    w.mRunPieceLength = Val(panel.Label4[1]);

    run.mLengthComp = 0;
    run.mCompPointLast = 0;
    run.mCompPoints.clear();
    w.mLastSlotPos = 0;

    // 5.-9. The program.
    ProgramLines out;
    Writer writer(ctx, lines, out);
    writer.Preamble();
    if (writer.Pieces(*pieces)) writer.Ending();

    // 10. Checked, written, loaded and started as every program is: nothing
    // crawls, no seek zero or line goes beyond what the machine can do.
    if (!StartProgram(ctx, out, RunFlag::Running, Starter::MainWindow)) return;
    w.mLastStepPos = 0;
    ring.mProgBendY = 0;
    // The strip and cutter markers appear with the run; the run timer places
    // them, the run end and Stop hide them.
    panel.Shape2.Visible = true;
    panel.Shape3.Visible = true;
    if (ctx.hooks.BuildDisplayList) ctx.hooks.BuildDisplayList(0);
}

}  // namespace velbend
