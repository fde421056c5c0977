// Slotting G-code export: the program for a square, cutter zones,
// contours after the first, arc lengths by outline kind, the slots where
// the machine program cuts them, and refusals.
#include <gtest/gtest.h>

#include "machine_fixture.h"
#include "writer_support.h"
#include "velbend/common/numtext.h"
#include "velbend/machine/program_writer.h"
#include "velbend/machine/slot_export.h"

namespace velbend {
namespace {

using testing::MachineFixture;
using Lines = std::vector<std::string>;

std::string Pt(double x, double y, int k, double a = 0, double b = 0, double c = 0) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.6f %.6f %d %.6f %.6f %.6f", x, y, k, a, b, c);
    return buf;
}

Lines Square(double turn, bool clockwise) {
    const char* head = turn < 0 ? "SPLINE -90.000000 3.0" : "SPLINE 90.000000 2.0";
    const char* tail = turn < 0 ? "SPLINE -90.000000 0.0" : "SPLINE 90.000000 0.0";
    const double pts[4][2] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    Lines l = {head, Pt(0, 0, 1)};
    for (int i = 1; i <= 3; ++i) {
        const int j = clockwise ? 4 - i : i;
        l.push_back(Pt(pts[j][0], pts[j][1], 1));
        l.push_back(Pt(pts[j][0], pts[j][1], 2, 0, turn));
        l.push_back(Pt(pts[j][0], pts[j][1], 1));
    }
    l.push_back(Pt(0, 0, 1));
    l.push_back(tail);
    return l;
}

Lines Slot(const std::string& y, const std::string& x = "X25.000") {
    return {"G00 Y" + y, "G01 Z-1.5 F800", x, "G00 Z5", "G00 X-5"};
}

struct SlotExportTest : ::testing::Test, MachineFixture {
    SlotExportTest() { c().panel.Text9 = {"1.5", "20", "12000", "800"}; }
    Lines Export(const Lines& ctrp) {
        home.Write("CtrP.dat", testing::CrLf(ctrp));
        EXPECT_TRUE(WriteSlotProgram(c())) << op.LastText();
        return testing::FileLinesUtf8(home, "KC_G.nc");
    }
    static Lines Program(const std::vector<Lines>& slots) {
        Lines l = {"G90 G17", "G00 Z5", "G00 X-5 Y0", "S12000 M03"};
        for (const auto& s : slots) l.insert(l.end(), s.begin(), s.end());
        for (auto e : {"G00 X0 Y0", "M05", "M30"}) l.push_back(e);
        return l;
    }
};

TEST_F(SlotExportTest, SquareGetsASlotAtEveryCornerAndAtItsEnd) {
    EXPECT_EQ(Export(Square(-90, false)),
              Program({Slot("100.000"), Slot("200.000"), Slot("300.000"), Slot("400.000")}));
    EXPECT_EQ(home.Read("KC_G.nc").substr(0, 9), "G90 G17\r\n");
    // A path without slot corners: only the opening and closing lines.
    sys().gSlotThreshold = 90;  // |B| equal to the threshold: no slot
    EXPECT_EQ(Export(Square(-90, false)), Program({Slot("400.000")}));
}

// The cutter zones are taken where the program takes them: at the start
// and the end of a contour that turns there, not at its slotted corners.
TEST_F(SlotExportTest, CutterZonesWhereTheProgramTakesThem) {
    sys().gMillRadius = 2;
    // z = 2/tan 45 - 45*2*pi/180 = 0.4292: the first corner at 100-z, the
    // next ones 100 further on, the end at 400-2z.
    EXPECT_EQ(Export(Square(90, true)),
              Program({Slot("99.571"), Slot("199.571"), Slot("299.571"), Slot("399.142")}));
    // Counter-clockwise corners have no compensation.
    EXPECT_EQ(Export(Square(-90, false)),
              Program({Slot("100.000"), Slot("200.000"), Slot("300.000"), Slot("400.000")}));
}

TEST_F(SlotExportTest, ContoursAfterTheFirstFollowTheSplice) {
    // Square, then a 20 x 20 square at (200,0): the jump between them is no
    // strip; the corners of the second follow on after the splice strip
    // that the program feeds between contours (Text4).
    Lines two = Square(-90, false);
    Lines small = {"SPLINE 90.000000 2.0", Pt(200, 0, 1)};
    for (auto [x, y] : {std::pair{200, 20}, {220, 20}, {220, 0}}) {
        small.push_back(Pt(x, y, 1));
        small.push_back(Pt(x, y, 2, 0, 90));
        small.push_back(Pt(x, y, 1));
    }
    small.push_back(Pt(200, 0, 1));
    small.push_back("SPLINE 90.000000 0.0");
    two.insert(two.end(), small.begin(), small.end());
    EXPECT_EQ(Export(two), Program({Slot("100.000"), Slot("200.000"), Slot("300.000"), Slot("430.000"),
                                    Slot("450.000"), Slot("470.000"), Slot("490.000")}));
    c().panel.Text4 = "0";
    EXPECT_EQ(Export(two), Program({Slot("100.000"), Slot("200.000"), Slot("300.000"), Slot("420.000"),
                                    Slot("440.000"), Slot("460.000"), Slot("480.000")}));
}

TEST_F(SlotExportTest, APointAtTheOriginIsAPoint) {
    const Lines path = {"SPLINE 0.000000 3.0", Pt(-50, 0, 1), Pt(0, 0, 0), Pt(50, 0, 0), "SPLINE 0.000000 0.0"};
    EXPECT_EQ(Export(path), Program({Slot("100.000")}));
}

// An arc's step is compensated by the rule Run's program feeds it by: only
// a bending arc (radius at or above gBendToSlotRThreshold), on the side
// TurnAngle gives, or Cal_arcdir for a DXF outline of the second build; an
// arc point with no point after it has no side.
TEST_F(SlotExportTest, ArcLengthsByOutlineKind) {
    sys().gArcCompP = 0.1;
    sys().gArcCompN = 0.2;
    // Arc point of radius 10 turning right (clockwise) towards its next
    // point: side -1 gives 10 * 1.01 + sqrt(125), side +1 10 * 0.98 +
    // sqrt(125), no compensation 10 + sqrt(125).
    const Lines path = {"SPLINE 0.000000 3.0", Pt(0, 0, 1), Pt(10, 0, 0, 10, 0.1), Pt(20, -5, 0),
                        "SPLINE 0.000000 0.0"};
    const auto minus = [](double, double, double, double, double, double) -> int16_t { return -1; };
    struct Row {
        const char* outline;
        double threshold;
        bool secondBuild, turnHook, arcdirHook;
        const char* slot;
    };
    const Row rows[] = {
        {"", 10, false, false, false, "20.980"},            // any other file: TurnAngle, +1
        {"/signs/a.NC", 10, false, false, false, "20.980"},
        {"/signs/a.dxf", 10, false, false, false, "20.980"},
        {"/signs/a.dxf", 10, true, false, false, "20.980"},  // clockwise: +1 as well
        {"", 10.001, false, false, false, "21.180"},         // too tight to bend: slotted, fed as it is
        {"/signs/a.dxf", 10.001, true, false, false, "21.180"},
        {"", 10, false, true, false, "21.280"},              // the window's TurnAngle
        {"/signs/a.dxf", 10, false, true, true, "21.280"},
        {"/signs/a.dxf", 10, true, true, false, "20.980"},   // the second build's DXF asks Cal_arcdir
        {"/signs/a.dxf", 10, true, false, true, "21.280"},
        {"/signs/a.NC", 10, true, false, true, "20.980"},
    };
    for (const Row& row : rows) {
        c().panel.Label4[0] = row.outline;
        sys().gBendToSlotRThreshold = row.threshold;
        c().secondBuild = row.secondBuild;
        c().hooks.TurnAngle = nullptr;
        c().hooks.Cal_arcdir = nullptr;
        if (row.turnHook) c().hooks.TurnAngle = minus;
        if (row.arcdirHook) c().hooks.Cal_arcdir = minus;
        EXPECT_EQ(Export(path), Program({Slot(row.slot)})) << row.outline << " " << row.threshold;
    }
    // An arc point that closes its contour has no side: nothing added.
    c().hooks.TurnAngle = minus;
    const Lines closing = {"SPLINE 0.000000 3.0", Pt(0, 0, 1), Pt(10, 0, 0, 10, 0.1), "SPLINE 0.000000 0.0"};
    EXPECT_EQ(Export(closing), Program({Slot("10.000")}));
}

// The export's slots stand where Run's program cuts them, with the arc
// compensations saved or not, with a cutter radius or none: the sample
// letter e, its two contours picked whole, has bending arcs on both sides,
// arcs too tight to bend, which are fed as they are, and a splice between
// its contours.
TEST_F(SlotExportTest, SlotsStandWhereTheProgramCutsThem) {
    c().panel.Label4[0] = (home / "letter_e.dxf").string();
    sys().gMillRadiusCoef = 1;
    struct Row {
        bool second;
        double compP, compN, mill;
    };
    for (const Row row : {Row{false, 0, 0, 0}, Row{false, 0.5, 0.3, 0}, Row{true, 0, 0, 0}, Row{true, 0.5, 0.3, 0},
                          Row{false, 0.5, 0.3, 1.5}, Row{true, 0, 0, 1.5}}) {
            const std::string what = std::string(row.second ? "second build " : "") + Format(row.compP, "0.0") +
                                     "/" + Format(row.compN, "0.0") + " R" + Format(row.mill, "0.0");
            c().secondBuild = row.second;
            sys().gArcCompP = row.compP;
            sys().gArcCompN = row.compN;
            sys().gMillRadius = row.mill;
            home.Write("CtrP.dat", testing::ReadData("letter_e.CtrP.dat"));
            ASSERT_TRUE(WriteSlotProgram(c())) << op.LastText();
            std::vector<double> exported;
            for (const std::string& l : testing::FileLinesUtf8(home, "KC_G.nc"))
                if (l.rfind("G00 Y", 0) == 0) exported.push_back(Val(l.substr(5)));
            // Five corners slotted and the end of the path.
            ASSERT_EQ(exported.size(), 6u) << what;
            Command_Run_Click(c());
            ASSERT_EQ(c().run.gRunning, kTrue) << op.LastText();
            // Where G5.dat cuts: the feed's position at each slotting block.
            std::vector<double> cuts;
            double x = 0;
            for (const std::string& l : testing::FileLinesUtf8(home, "G5.dat")) {
                if (l.rfind("X", 0) == 0) x = Val(l.substr(1));
                if (l == "M16") cuts.push_back(x);
            }
            for (const double at : exported) {
                double nearest = 1e9;
                for (const double cut : cuts) nearest = std::min(nearest, std::fabs(cut - at));
                EXPECT_LE(nearest, 0.0005) << what << ": the slot at " << at;
            }
            c().run = RunState{};
    }
    // Without compensations, a cutter radius or a splice strip the slots
    // stand where they stood.
    c().secondBuild = false;
    sys().gArcCompP = sys().gArcCompN = sys().gMillRadius = 0;
    c().panel.Text4 = "0";
    home.Write("CtrP.dat", testing::ReadData("letter_e.CtrP.dat"));
    EXPECT_EQ(Export(testing::LinesOf(home.Read("CtrP.dat"))),
              Program({Slot("150.987"), Slot("159.483"), Slot("210.665"), Slot("251.973"), Slot("307.364"),
                       Slot("339.395")}));
}

TEST_F(SlotExportTest, WidthSpeedAndFeedAreWrittenAsTyped) {
    c().panel.Text9 = {" 2", "35.5", "9000", "1200.0"};
    home.Write("CtrP.dat", testing::CrLf({"SPLINE 0.000000 3.0", Pt(0, 0, 1), Pt(10, 0, 0), "SPLINE 0.000000 0.0"}));
    ASSERT_TRUE(WriteSlotProgram(c()));
    EXPECT_EQ(testing::FileLinesUtf8(home, "KC_G.nc"),
              (Lines{"G90 G17", "G00 Z5", "G00 X-5 Y0", "S9000 M03", "G00 Y10.000", "G01 Z-2 F1200.0", "X40.500",
                     "G00 Z5", "G00 X-5", "G00 X0 Y0", "M05", "M30"}));
}

TEST_F(SlotExportTest, BadFieldsAndBadFileNamesAreRefused) {
    home.Write("CtrP.dat", testing::CrLf(Square(-90, false)));
    params.gLanguage = 1;
    for (int i = 0; i < 4; ++i) {
        for (const char* bad : {"", "abc", "12x", "  "}) {
            c().panel.Text9 = {"1.5", "20", "12000", "800"};
            c().panel.Text9[static_cast<std::size_t>(i)] = bad;
            op.messages.clear();
            EXPECT_FALSE(WriteSlotProgram(c()));
            EXPECT_EQ(op.LastText(), "Slot depth, material width, spindle speed and feedrate must be numbers!");
            EXPECT_FALSE(home.Exists("KC_G.nc"));
        }
    }
    c().panel.Text9 = {"1.5", "20", "12000", "800"};
    c().panel.Text8 = "no_such_folder/KC_G.nc";
    op.messages.clear();
    EXPECT_FALSE(WriteSlotProgram(c()));
    EXPECT_NE(op.LastText().find("no_such_folder/KC_G.nc"), std::string::npos);
    c().panel.Text8 = "";
    EXPECT_FALSE(WriteSlotProgram(c()));
    EXPECT_EQ(op.LastText(), "Please enter the output file name!");
}

TEST_F(SlotExportTest, MenuAndFrameButtons) {
    params.gLanguage = 1;
    home.Write("CtrP.dat", "");
    开槽程序_Click(c());
    EXPECT_EQ(op.LastText(), "No Choise, Can't Output!");
    EXPECT_FALSE(c().panel.OutFrameVisible);
    params.gLanguage = 0;
    std::filesystem::remove(home / "CtrP.dat");
    开槽程序_Click(c());
    EXPECT_EQ(op.LastText(), "尚未选择加工路径，不能输出！");

    home.Write("CtrP.dat", testing::CrLf(Square(-90, false)));
    op.messages.clear();
    开槽程序_Click(c());
    EXPECT_TRUE(op.messages.empty());
    EXPECT_TRUE(c().panel.OutFrameVisible);
    Command2_Click(c(), 1);
    EXPECT_FALSE(c().panel.OutFrameVisible);
    EXPECT_FALSE(home.Exists("KC_G.nc"));

    c().panel.OutFrameVisible = true;
    c().panel.Text9[0] = "";
    Command2_Click(c(), 0);  // refused: the frame stays for the correction
    EXPECT_TRUE(c().panel.OutFrameVisible);
    c().panel.Text9[0] = "1.5";
    Command2_Click(c(), 0);
    EXPECT_FALSE(c().panel.OutFrameVisible);
    EXPECT_TRUE(home.Exists("KC_G.nc"));
}

}  // namespace
}  // namespace velbend
