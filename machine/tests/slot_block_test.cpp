// Slotting blocks: every cutter kind, swing mode, slot letter and limit.
#include <gtest/gtest.h>

#include "machine_fixture.h"
#include "velbend/machine/slot_block.h"

namespace velbend {
namespace {

using testing::MachineFixture;
using Lines = std::vector<std::string>;

struct SlotBlockTest : ::testing::Test, MachineFixture {
    Lines Block(double rangle, int16_t ty, int16_t fb, int16_t exz) {
        ProgramLines out;
        Print_KCaction(c(), out, rangle, ty, fb, exz);
        return out.lines();
    }
};

TEST_F(SlotBlockTest, MotorCutterStartSlotWithTwoPasses) {
    const Lines expected = {
        "G04 P200", "M16", "A0 F1000", "M10",
        "A30.0000 F1000", "G05 Z5.0000 F000000000500", "G01", "G05 Z0 F000000000500", "G01",
        "A30.0000 F1000", "G05 Z5.0000 F000000000500", "G01", "G05 Z0 F000000000500", "G01",
        "M11", "A0 F1000", "M17", "G04 P500"};
    EXPECT_EQ(Block(30, 3, 0, 0), expected);
}

TEST_F(SlotBlockTest, LettersUDFBWithMotorAndWithCylinder) {
    sys().gSlotLetters = "UDFB";
    // Motor: each pass lifts, goes down to the front depth, strokes and comes back.
    Lines pass1 = {"G05 Z0 F000000000500", "G01", "G05 Z5.0000 F000000000500", "G01",
                   "A2.0000 F1000 ;第 1刀", "A0 F1000"};
    Lines pass2 = {"G05 Z0 F000000000500", "G01", "G05 Z5.0000 F000000000500", "G01",
                   "A3.0000 F1000 ;第 2刀", "A0 F1000"};
    Lines expected = {"G04 P200", "M16", "M10"};
    expected.insert(expected.end(), pass1.begin(), pass1.end());
    expected.insert(expected.end(), pass2.begin(), pass2.end());
    for (auto l : {"M11", "A0 F1000", "M17", "G04 P500"}) expected.push_back(l);
    EXPECT_EQ(Block(0, 1, 0, 0), expected);

    // Back depth for FBtype 1, none for another FBtype.
    auto back = Block(0, 1, 1, 0);
    EXPECT_EQ(back[5], "G05 Z6.0000 F000000000500");
    auto none = Block(0, 1, 7, 0);
    EXPECT_EQ(none[5], "G01");
    EXPECT_EQ(none[6], "A2.0000 F1000 ;第 1刀");

    // Cylinder waiting for its sensors: M00 while machining, nothing in test
    // mode, a delay with delay detection; B only after the last pass.
    sys().gCutterUpDownMode = 0;
    const Lines cyl = {"G04 P200", "M16", "M10",
                       "M14", "M00", "M15", "M12", "M00", "M13", "A2.0000 F1000 ;第 1刀",
                       "M14", "M00", "M15", "M12", "M00", "M13", "A3.0000 F1000 ;第 2刀", "A0 F1000",
                       "M11", "A0 F1000", "M17", "G04 P500"};
    EXPECT_EQ(Block(0, 1, 0, 0), cyl);
    sys().gRunMode = 1;
    auto test = Block(0, 1, 0, 0);
    EXPECT_EQ(test[3], "M14");
    EXPECT_EQ(test[4], "M15");
    sys().gPositionDetectMode = 1;
    auto delay = Block(0, 1, 0, 0);
    EXPECT_EQ(delay[4], "G04 P300");
}

TEST_F(SlotBlockTest, CylinderCutterBackSideCornerWholeBlock) {
    // A corner of turn +120 cut from the back side with a swing of its own:
    // (120 - 30) / 2 + 180 = 225, within the back limit of 60.  The cylinder
    // waits a timed delay; the letter B comes only after the last pass; the
    // swing returns to 180.
    sys().gCutterUpDownMode = 0;
    sys().gPositionDetectMode = 1;
    sys().gSlotLetters = "PDFUB";
    const Lines expected = {"G04 P200", "M16", "A180 F1000", "M10",
                            "A225.0000 F1000", "M12", "G04 P300", "M13", "A2.0000 F1000 ;第 1刀",
                            "M14", "G04 P300", "M15",
                            "A225.0000 F1000", "M12", "G04 P300", "M13", "A3.0000 F1000 ;第 2刀",
                            "M14", "G04 P300", "M15", "A0 F1000",
                            "M11", "A180 F1000", "M17", "G04 P500"};
    EXPECT_EQ(Block(225, 2, 1, 0), expected);
}

TEST_F(SlotBlockTest, StrokeCommentIsWrittenInGbk) {
    sys().gSlotLetters = "F";
    sys().gCutTimes = 1;
    ProgramLines out;
    Print_KCaction(c(), out, 0, 1, 0, 0);
    const std::string bytes = out.Bytes();
    // "第" and "刀" in GBK, CR LF line ends.
    EXPECT_NE(bytes.find("A2.0000 F1000 ;\xB5\xDA 1\xB5\xB6\r\n"), std::string::npos) << bytes;
}

TEST_F(SlotBlockTest, SwingLimits) {
    sys().gSlotLetters = "N";
    sys().gCutTimes = 1;
    // Front side: 170 limited to 60.
    EXPECT_EQ(Block(170, 1, 0, 0)[4], "A60.0000 F1000");
    EXPECT_EQ(Block(-170, 1, 0, 0)[4], "A-60.0000 F1000");
    // Back side: 250 with 45 allowed becomes 225.
    sys().gMaxSwingAngleN = 45;
    auto back = Block(250, 1, 0, 0);
    EXPECT_EQ(back[2], "A180 F1000");
    EXPECT_EQ(back[4], "A225.0000 F1000");
    EXPECT_EQ(Block(190, 1, 0, 0)[4], "A190.0000 F1000");
    EXPECT_EQ(Block(100, 1, 0, 0)[4], "A60.0000 F1000");  // below 180: the front limit
}

TEST_F(SlotBlockTest, SwingLettersByKind) {
    sys().gCutTimes = 1;
    sys().gSlotLetters = "N";
    EXPECT_EQ(Block(20, 2, 0, 0)[4], "A-20.0000 F1000");
    EXPECT_EQ(Block(200, 2, 0, 0)[4], "A160.0000 F1000");
    EXPECT_EQ(Block(20, 1, 0, 0)[4], "A20.0000 F1000");
    EXPECT_EQ(Block(20, 3, 0, 0)[4], "A20.0000 F1000");
    sys().gInvertEndSwing = 1;
    EXPECT_EQ(Block(20, 3, 0, 0)[4], "A-20.0000 F1000");
    EXPECT_EQ(Block(200, 3, 0, 0)[4], "A200.0000 F1000");  // |angle| >= 90 keeps its sign
    // N writes nothing for another kind.
    EXPECT_EQ(Block(20, 4, 0, 0)[4], "M11");

    sys().gSlotLetters = "P";
    EXPECT_EQ(Block(20, 2, 0, 0)[4], "A20.0000 F1000");
    EXPECT_EQ(Block(20, 3, 0, 0)[4], "A-20.0000 F1000");  // inverted end swing
    sys().gInvertEndSwing = 0;
    EXPECT_EQ(Block(20, 3, 0, 0)[4], "A20.0000 F1000");

    // Other first letters give no swing to the side; unknown letters write nothing.
    sys().gSlotLetters = "XQ";
    EXPECT_EQ(Block(20, 3, 0, 0), (Lines{"G04 P200", "M16", "M10", "M11", "A0 F1000", "M17", "G04 P500"}));
}

TEST_F(SlotBlockTest, SwingReturnBySidesAndModes) {
    sys().gSlotLetters = "";
    auto last4 = [&](double a) {
        auto l = Block(a, 1, 0, 0);
        return Lines(l.end() - 3, l.end());
    };
    EXPECT_EQ(last4(30), (Lines{"A0 F1000", "M17", "G04 P500"}));
    EXPECT_EQ(last4(180), (Lines{"A180 F1000", "M17", "G04 P500"}));
    sys().gSwingModeN = 1;
    EXPECT_EQ(last4(180), (Lines{"M11", "M17", "G04 P500"}));
    sys().gSwingModeP = 1;
    EXPECT_EQ(last4(30), (Lines{"M11", "M17", "G04 P500"}));
    sys().gSlotSides = 1;
    sys().gSwingModeP = 0;
    EXPECT_EQ(last4(180), (Lines{"A0 F1000", "M17", "G04 P500"}));
    sys().gAxisKindA = 1;  // a forward-feed axis has no swing to return
    EXPECT_EQ(last4(30), (Lines{"M11", "M17", "G04 P500"}));
    // Cutter rotation driven elsewhere: no M10/M11.
    sys().gCutterRotateMode = 1;
    EXPECT_EQ(Block(30, 1, 0, 0), (Lines{"G04 P200", "M16", "M17", "G04 P500"}));
}

TEST_F(SlotBlockTest, ForwardFeedAxisSeeksZeroAndCutsOff) {
    sys().gAxisKindA = 1;
    sys().gSeekZeroBeforeForward = 1;
    sys().gSlotLetters = "F";
    sys().gCutTimes = 3;
    sys().gCutOffStroke = 7;
    const Lines expected = {"G04 P200", "M16", "M42", "M30", "G90 G01", "M10",
                            "A2.0000 F1000 ;第 1刀", "A3.0000 F1000 ;第 2刀", "A4.0000 F1000 ;第 3刀",
                            "A7.0000 F1000 ;切断", "M11", "M17", "G04 P500"};
    EXPECT_EQ(Block(0, 3, 0, 0), expected);
    // No cut-off pass except at a start or end point.
    auto corner = Block(0, 2, 0, 0);
    EXPECT_EQ(corner.size(), expected.size() - 1);
    // In test mode no seek zero.
    sys().gRunMode = 1;
    EXPECT_EQ(Block(0, 1, 0, 0)[2], "M10");
}

TEST_F(SlotBlockTest, PassCountBeyondTheStrokeListIsLimited) {
    sys().gSlotLetters = "F";
    sys().gCutTimes = 5;
    auto l = Block(0, 1, 0, 0);
    EXPECT_EQ(std::count_if(l.begin(), l.end(), [](const std::string& s) { return s.find("刀") != std::string::npos; }), 3);
    sys().gCutTimes = -2;
    EXPECT_EQ(Block(0, 1, 0, 0), (Lines{"G04 P200", "M16", "M10", "M11", "A0 F1000", "M17", "G04 P500"}));
}

TEST_F(SlotBlockTest, EncoderCorrectionRequest) {
    sys().gSlotLetters = "";
    c().panel.Check3 = 1;
    sys().gXEncoderPort = 1;
    auto withRequest = Block(0, 1, 0, 0);
    EXPECT_EQ(withRequest[0], "G04 P400");
    EXPECT_EQ(withRequest[1], "M34");
    auto marking = Block(0, 1, 0, 1);
    EXPECT_EQ(marking[0], "G04 P200");
    EXPECT_EQ(marking[1], "M16");
    sys().gXEncoderPort = 0;
    EXPECT_EQ(Block(0, 1, 0, 0)[0], "G04 P200");
}

}  // namespace
}  // namespace velbend
