// The file, view and node menus, the contour offset and its captions, and
// the machine core's hooks into the drawing.
#include <cmath>

#include "drawing_fixture.h"
#include "velbend/common/numtext.h"
#include "velbend/geometry/area.h"
#include "velbend/machine/run_state.h"

using namespace velbend;
using velbend::testing::DrawingTest;
using velbend::testing::TwoSquares;

namespace {

// A PLT outline: a 40 x 30 rectangle from (1, 1), pen up and down.
const char* kRectPlt = "IN;PU40,40;PD1640,40,1640,1240,40,1240,40,40;PU;";

// A DXF drawing: a HEADER and the given ENTITIES.
std::string Dxf(const std::string& entities) {
    return "0\nSECTION\n2\nHEADER\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}
// A 40 x 30 rectangle as one spline of degree 1.
const char* kRectSpline =
    "0\nSPLINE\n70\n1\n71\n1\n72\n7\n73\n5\n40\n0\n40\n0\n40\n1\n40\n2\n40\n3\n40\n4\n40\n4\n"
    "10\n0\n20\n0\n10\n40\n20\n0\n10\n40\n20\n30\n10\n0\n20\n30\n10\n0\n20\n0\n";

class MenuTest : public DrawingTest {
protected:
    void PickAll() {
        for (int k = 1; k < d.tables.mNodeCount; ++k) {
            if (k > 1 && d.tables.mNodes[k].ContourId == d.tables.mNodes[k - 1].ContourId) continue;
            ClickNode(k);
            ClickNode(k);
        }
    }
};

TEST_F(MenuTest, OpenByEndingInAnyCase) {
    home.Write("RECT.PLT", kRectPlt);
    home.Write("old.txt", "anything");
    op.fileAnswers.push_back((home / "RECT.PLT").string());
    打开_Click(program, d);
    ASSERT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_EQ(program.ctx.panel.Label4[0], (home / "RECT.PLT").string());
    EXPECT_GT(d.tables.mNodeCount, 1);
    EXPECT_DOUBLE_EQ(program.ctx.panel.gViewCenterX, 21);
    EXPECT_DOUBLE_EQ(program.ctx.panel.gViewWidth, 1.2 * 30 / 0.7);
    EXPECT_FALSE(d.list.Lines.empty());
    const std::string display = home.Read("PointForDisplay.dat");
    // The outline as drawn: the length of its lines.
    auto drawn = [&] {
        double length = 0;
        for (const DisplayLine& l : d.list.Lines)
            if (l.Color == kWhite) length += std::hypot(l.X2 - l.X1, l.Y2 - l.Y1);
        return length;
    };
    EXPECT_NEAR(drawn(), 140, 1e-9);
    字形PLT_Click(program, d);
    EXPECT_EQ(op.LastText(), "Have been saved as “ShapePLT.plt");
    EXPECT_TRUE(home.Exists("ShapePLT.plt"));
    // The export opened again shows the same outline, round after round.
    for (int round = 0; round < 3; ++round) {
        op.fileAnswers.push_back((home / "ShapePLT.plt").string());
        打开_Click(program, d);
        EXPECT_EQ(home.Read("PointForDisplay.dat"), display) << round;
        EXPECT_NEAR(drawn(), 140, 1e-9) << round;
        字形PLT_Click(program, d);
    }
    op.fileAnswers.push_back((home / "RECT.PLT").string());
    打开_Click(program, d);
    op.messages.clear();

    // Another ending is refused in one message, and nothing changes: the
    // picks and the added nodes stay those of the outline shown.
    PickAll();
    ASSERT_GT(d.pick.mSelCount, 0);
    d.pick.mAddedNodeCount = 1;
    const std::string picked = home.Read("PointForControl.dat") + home.Read("CtrP.dat");
    op.fileAnswers.push_back((home / "old.txt").string());
    打开_Click(program, d);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "This file cannot be opened: only DXF, NC and PLT files can be opened!");
    EXPECT_EQ(home.Read("PointForDisplay.dat"), display);
    EXPECT_GT(d.pick.mSelCount, 0);
    EXPECT_EQ(d.pick.mAddedNodeCount, 1);
    EXPECT_EQ(home.Read("PointForControl.dat") + home.Read("CtrP.dat"), picked);
    EXPECT_FALSE(program.ctx.panel.List1.empty());
    EXPECT_EQ(program.ctx.panel.Label4[0], (home / "RECT.PLT").string());

    // A cancelled or empty answer changes nothing.
    PickAll();
    for (std::optional<std::string> a : {std::optional<std::string>(), std::optional<std::string>("")}) {
        op.fileAnswers.push_back(a);
        打开_Click(program, d);
        EXPECT_GT(d.pick.mSelCount, 0);
    }
    EXPECT_TRUE(op.prompts.empty());
}

TEST_F(MenuTest, ARefusedOpenChangesNothing) {
    // An outline with more corners than the node table holds: refused at
    // the first Open as later, and no display file is left behind.
    std::string big = "IN;PU0,40;PD";
    for (int k = 1; k <= kMaxNodes + 2; ++k)
        big += (k > 1 ? "," : "") + std::to_string(k * 40) + "," + (k % 2 ? "40" : "0");
    home.Write("big.plt", big + ";PU;");
    op.fileAnswers.push_back((home / "big.plt").string());
    打开_Click(program, d);
    EXPECT_EQ(op.LastText(), "More than 10000 nodes: the outline is too large to show.");
    EXPECT_FALSE(home.Exists("PointForDisplay.dat"));
    EXPECT_EQ(d.tables.mNodeCount, 0);
    op.messages.clear();

    home.Write("rect.dxf", Dxf(kRectSpline));
    op.fileAnswers.push_back((home / "rect.dxf").string());
    打开_Click(program, d);
    ASSERT_TRUE(op.messages.empty()) << op.LastText();
    字形Y镜向_Click(program, d);
    PickAll();
    auto& panel = program.ctx.panel;
    ASSERT_GT(d.pick.mSelCount, 0);
    ASSERT_FALSE(panel.Label4[2].empty());
    d.gNcZPlane = 7;
    auto files = [&] {
        return home.Read("PointForDisplay.dat") + "|" + home.Read("PointForControl.dat") + "|" + home.Read("CtrP.dat");
    };
    const std::string before = files();
    const auto captions = panel.Label4;
    const auto segments = panel.List1;
    const auto lines = d.list.Lines;
    const int16_t picked = d.pick.mSelCount, nodes = d.tables.mNodeCount;
    const double width = panel.gViewWidth;

    // Too large an outline, an NC file not there (its Z plane asked), a
    // drawing without a spline.
    home.Write("empty.dxf", Dxf(""));
    for (const char* file : {"big.plt", "gone.nc", "empty.dxf"}) {
        op.messages.clear();
        op.fileAnswers.push_back((home / file).string());
        op.inputAnswers.push_back("3");
        打开_Click(program, d);
        EXPECT_EQ(op.messages.size(), 1u) << file;
        EXPECT_TRUE(files() == before) << file;
        EXPECT_EQ(panel.Label4, captions) << file;
        EXPECT_EQ(panel.List1, segments) << file;
        EXPECT_TRUE(d.list.Lines == lines) << file;
        EXPECT_EQ(d.pick.mSelCount, picked) << file;
        EXPECT_EQ(d.tables.mNodeCount, nodes) << file;
        EXPECT_DOUBLE_EQ(panel.gViewWidth, width) << file;
        EXPECT_EQ(d.mMirrorY, 1) << file;
        EXPECT_DOUBLE_EQ(d.gNcZPlane, 7) << file;
        EXPECT_EQ(d.Core().SplineCount, 1) << file;  // the spline walk of the shown drawing
    }
}

TEST_F(MenuTest, ANewLetterOpensWithNothingPickedAndUnmirrored) {
    home.Write("rect.plt", kRectPlt);
    for (int k = 0; k < 2; ++k) op.fileAnswers.push_back((home / "rect.plt").string());
    打开_Click(program, d);
    字形Y镜向_Click(program, d);
    PickAll();
    auto& panel = program.ctx.panel;
    ASSERT_GT(Count(kMagenta), 0);
    ASSERT_FALSE(panel.Label4[1].empty());
    打开_Click(program, d);
    EXPECT_EQ(d.mMirrorY, 0);
    EXPECT_EQ(d.pick.mSelCount, 0);
    EXPECT_EQ(home.Read("PointForControl.dat") + home.Read("CtrP.dat"), "");
    EXPECT_TRUE(panel.List1.empty());
    EXPECT_EQ(panel.Label4[1], "");
    EXPECT_EQ(panel.Label4[2], "");
    // The outline and its nodes, no path, corner or arrow.
    EXPECT_EQ(Count(kWhite) + Count(kYellow), static_cast<int>(d.list.Lines.size()));
    EXPECT_GT(Count(kWhite), 0);
}

TEST_F(MenuTest, OutlineMenusAndContourOffsetWaitForTheMachine) {
    home.Write("rect.plt", kRectPlt);
    Load(TwoSquares());
    PickAll();
    auto& panel = program.ctx.panel;
    auto& run = program.ctx.run;
    panel.Text6 = "2";
    const std::string files = home.Read("PointForDisplay.dat") + home.Read("CtrP.dat");
    const auto captions = panel.Label4;
    const auto lines = d.list.Lines;
    for (int16_t paused : {0, 1}) {
        run.gRunning = kTrue;
        run.mPaused = paused;
        op.fileAnswers.assign(1, (home / "rect.plt").string());
        for (auto* command : {&打开_Click, &关闭_Click, &字形Y镜向_Click, &Command1_Click}) {
            op.messages.clear();
            command(program, d);
            EXPECT_EQ(op.messages.size(), 1u) << paused;
            EXPECT_EQ(op.LastText(), "The machine is busy: wait until it stands still, or stop it, then try again!");
        }
        EXPECT_EQ(op.fileAnswers.size(), 1u);  // Open asked for no file
        EXPECT_EQ(home.Read("PointForDisplay.dat") + home.Read("CtrP.dat"), files);
        EXPECT_EQ(panel.Label4, captions);
        EXPECT_TRUE(d.list.Lines == lines);
        EXPECT_EQ(d.mMirrorY, 0);
        EXPECT_EQ(d.pick.mSelCount, 2);
    }
}

TEST_F(MenuTest, MirrorOnlyWithNothingPickedOrOpen) {
    Load(TwoSquares());
    const std::string display = home.Read("PointForDisplay.dat");
    ClickNode(1);  // a range open
    字形Y镜向_Click(program, d);
    EXPECT_EQ(op.LastText(), "Contours are picked: press Stop to drop the picks, then mirror!");
    ClickNode(1);  // the contour picked
    ASSERT_EQ(d.pick.mSelCount, 1);
    字形Y镜向_Click(program, d);
    EXPECT_EQ(op.messages.size(), 2u);
    EXPECT_EQ(home.Read("PointForDisplay.dat"), display);
    EXPECT_EQ(d.mMirrorY, 0);
    DiscardPicks(program, d);  // as Stop does
    字形Y镜向_Click(program, d);
    EXPECT_EQ(d.mMirrorY, 1);
    EXPECT_NE(home.Read("PointForDisplay.dat"), display);
    EXPECT_EQ(op.messages.size(), 2u);
}

// The deleted and added nodes are mirrored with the outline: the deleted
// node stays hidden, and the added one is still the one its undo takes.
TEST_F(MenuTest, MirrorTakesTheNodeEditsAlong) {
    Load("SPLINE 1\r\n0 0 Node\r\n10 0\r\n10 10 Node\r\n0 10 Node\r\n");
    d.mMousePointer = 12;
    ClickNode(2);  // (10, 10)
    ASSERT_EQ(d.pick.mDeleteCount, 1);
    d.mMousePointer = 2;
    ClickAt(5, 10);  // on the top side
    ASSERT_EQ(d.pick.mAddedNodeCount, 1);
    d.mMousePointer = 0;
    const int16_t nodes = d.tables.mNodeCount;
    const int yellow = Count(kYellow);
    字形Y镜向_Click(program, d);
    ASSERT_EQ(d.mMirrorY, 1);
    EXPECT_TRUE(IsDeletedNode(d.pick, 10, -10));
    EXPECT_EQ(Count(kYellow), yellow);
    取消前一个增加_Click(program, d);
    EXPECT_EQ(d.pick.mAddedNodeCount, 0);
    EXPECT_EQ(d.tables.mNodeCount, nodes - 1);
    EXPECT_EQ(home.Read("PointForDisplay.dat").find("5.000000 -10.000000"), std::string::npos);
}

TEST_F(MenuTest, OpenNcAsksForTheZPlane) {
    home.Write("LETTER.NC", "G90 G01\r\nG00 X0 Y0 Z12.5\r\nG01 X40 Y0\r\nG01 X40 Y30\r\nG01 X0 Y30\r\nG01 X0 Y0\r\n");
    struct Case {
        std::optional<std::string> answer;
        double z;
    };
    for (const Case& c : {Case{"12.5mm", 12.5}, Case{"", 0}, Case{std::nullopt, 0}}) {
        op.fileAnswers.push_back((home / "LETTER.NC").string());
        op.inputAnswers.push_back(c.answer);
        打开_Click(program, d);
        EXPECT_DOUBLE_EQ(d.gNcZPlane, c.z);
        ASSERT_FALSE(op.prompts.empty());
        EXPECT_EQ(op.prompts.back(), "Please Input Z Coordinate:");
    }
    program.params.gLanguage = 0;
    op.fileAnswers.push_back((home / "LETTER.NC").string());
    op.inputAnswers.push_back("3");
    打开_Click(program, d);
    EXPECT_EQ(op.prompts.back(), "请输入加工平面Z坐标：");
}

// What the file draws and the window would show otherwise is said in the
// Open's one message, in either language; a file that cannot be read says
// why.  The outline, where there is one, is shown as read; where it is read
// as the file draws it, nothing is said.
TEST_F(MenuTest, TheOpenSaysWhatIsReadDifferently) {
    struct Case {
        const char* name;
        std::string bytes;
        bool outline;
        const char* zh;  // a part of the message, in each language ("": no message)
        const char* en;
        double length;  // the first contour's length, closed (0: not checked)
    };
    const std::string square = "G01 Z-1\r\nG01 X25.4 Y0\r\nG01 X25.4 Y25.4\r\nG01 X0 Y25.4\r\nG01 X0 Y0\r\n";
    const std::string header = "0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n1\n0\nENDSEC\n";
    const std::string fitOnly = "0\nSPLINE\n70\n9\n71\n3\n72\n0\n73\n0\n74\n3\n11\n0\n21\n0\n11\n9\n21\n0\n11\n9\n21\n9\n";
    const std::string periodic = "0\nSPLINE\n70\n11\n71\n3\n72\n5\n73\n4\n40\n0\n40\n1\n40\n2\n40\n3\n40\n4\n"
                                 "10\n0\n20\n0\n10\n40\n20\n0\n10\n40\n20\n40\n10\n0\n20\n40\n";
    // A block of a closed 30 mm square, placed by its INSERT at (100, 100) at scale 2.
    const std::string blockSquare =
        "0\nSECTION\n2\nHEADER\n0\nENDSEC\n0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nSQ\n10\n0\n20\n0\n"
        "0\nSPLINE\n70\n1\n71\n1\n72\n7\n73\n5\n40\n0\n40\n0\n40\n1\n40\n2\n40\n3\n40\n4\n40\n4\n"
        "10\n0\n20\n0\n10\n30\n20\n0\n10\n30\n20\n30\n10\n0\n20\n30\n10\n0\n20\n0\n0\nENDBLK\n0\nENDSEC\n"
        "0\nSECTION\n2\nENTITIES\n0\nINSERT\n2\nSQ\n10\n100\n20\n100\n41\n2\n42\n2\n";
    const Case cases[] = {
        {"pr.plt", "IN;SP1;PU400,400;PR;PD1600,0,0,1600,-1600,0,0,-1600;PA;PU0,0;SP0;", true, "PR 1个",
         "PR (1)", 0},
        {"pe.plt", "IN;SP1;PE<=:7?;PU;", false, "PE 1个", "PE (1)", 0},
        {"inch.nc", "G20\r\nG90\r\nG00 X0 Y0\r\n" + square, true, "G20 1个", "G20 (1)", 0},
        {"incremental.nc", "G90\r\nG00 X0 Y0\r\nG01 Z-1\r\nG91\r\nG01 X40\r\nG01 Y40\r\nG01 X-40\r\nG01 Y-40\r\n", true,
         "G91 1个", "G91 (1)", 0},
        {"binary.dxf", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22), false, "二进制DXF", "binary DXF", 0},
        {"laser.nc", "G90\r\nG00 X0 Y0\r\nG01 X40 Y0\r\nG01 X40 Y40\r\n", false, "没有Z字", "no Z word", 0},
        // Commands without ';': the whole 30 mm square.
        {"nosemi.plt", "IN;SP1PU400,400;PD1600,400,1600,1600,400,1600,400,400;PU;SP0;", true, "", "", 120},
        {"encoded.plt", "IN;SP1;TR0PE<=_p_p;PM0PE<=_p;SP0;", false, "PE 2个", "PE (2)", 0},
        // A cutter job in its maker's own language: told as such, naming no
        // command out of its words (MARKER).
        {"cutter.plt",
         "SET MARKER_X_DIS=8951.\r\nLOAD_MARKERS.END.\r\nU,400,400,\r\nD,400,400,1600,400,1600,1600,400,1600,400,400,\r\n",
         false,
         "文件中没有可显示的轮廓。PLT文件中没有HP-GL绘图命令：它是用HP-GL以外的语言（如切割机厂家自己的绘图仪语言）写成的，"
         "其命令不被读取。只读取HP-GL的PU和PD；请以HP-GL的PU和PD命令输出轮廓。",
         "The file holds no outline to show. The PLT file holds no HP-GL drawing commands: it is written in another "
         "language than HP-GL (such as a cutter maker's own plotter language), whose commands are not read. Only "
         "HP-GL's PU and PD are read; write the outline in HP-GL with PU and PD commands.",
         0},
        // One arc in each plane: the machining plane's counted as before, the
        // other two each with its own count.
        {"planes.nc",
         "G0 Z5\nG0 X0 Y0\nG1 Z-1\nG17 G2 X20 Y0 I10 J0\nG18 G2 X40 Z-1 I10 K0\nG19 G3 Y20 Z-1 J10 K0\nG0 Z5\n", true,
         "G02/G03 1段。圆弧因此显示为直线，整圆显示为多边形或一个点；请让CAM程序将圆弧输出为直线段。"
         "NC程序中有ZX平面（G18）或YZ平面（G19）内、终点在加工平面内的圆弧插补：G18 1段、G19 1段。",
         "G02/G03 (1). Arcs therefore show as straight lines, and circles as polygons or single points; let the CAM "
         "program write arcs as straight moves. The NC program holds arc moves in the ZX plane (G18) or the YZ plane "
         "(G19) that end in the machining plane: G18 (1), G19 (1).",
         0},
        // Scaling with both corners given: an 80 mm square; without them, named.
        {"scaled.plt", "IN;SP1;IP0,0,4000,4000;SC0,100,0,100;PU10,10;PD90,10,90,90,10,90,10,10;PU;SP0;", true, "",
         "", 320},
        {"unscaled.plt", "IN;SP1;SC0,100,0,100;PU10,10;PD90,10,90,90,10,90,10,10;PU;SP0;", true,
         "未应用的缩放设定：SC 1个", "scaling that is not applied: SC (1)", 0},
        // The plane typed (-1) finds nothing where the depth is a parameter.
        {"depth.nc", "#<depth> = -1\nG0 Z5\nG0 X0 Y0\nG1 Z#<depth>\nG1 X40\nG1 Y40\nG0 Z5\n", false,
         "参数字：# 2个", "parameter words whose values are not read: # (2)", 0},
        {"inch.dxf", header + "0\nSECTION\n2\nENTITIES\n" + kRectSpline + "0\nENDSEC\n0\nEOF\n", true,
         "原尺寸的1/25.4", "1/25.4 of its size", 140},
        {"block.dxf", blockSquare + "0\nENDSEC\n0\nEOF\n", true, "", "", 240},
        {"array.dxf", blockSquare + "0\nINSERT\n2\nSQ\n70\n2\n71\n3\n44\n40\n45\n40\n0\nENDSEC\n0\nEOF\n", true,
         "多行多列的阵列插入 1个", "arrays of columns and rows (1)", 240},
        {"fitted.dxf", Dxf(fitOnly + kRectSpline), true, "只有拟合点的样条曲线 1个", "splines of fit points only (1)", 0},
        {"periodic.dxf", Dxf(periodic), false, "周期样条曲线 1个", "periodic splines (1)", 0},
    };
    for (int16_t language : {0, 1}) {
        program.params.gLanguage = language;
        for (const Case& c : cases) {
            home.Write(c.name, c.bytes);
            op.messages.clear();
            op.fileAnswers.push_back((home / c.name).string());
            op.inputAnswers.push_back("-1");
            打开_Click(program, d);
            const char* part = language == 0 ? c.zh : c.en;
            ASSERT_EQ(op.messages.size(), *part ? 1u : 0u) << c.name << ": " << op.LastText();
            if (*part) {
                EXPECT_NE(op.LastText().find(part), std::string::npos) << c.name << ": " << op.LastText();
            }
            if (c.outline) {
                EXPECT_GT(d.tables.mNodeCount, 1) << c.name;
            }
            if (c.length == 0) continue;
            // The first contour's points, closed back to its first.
            double length = 0;
            const DisplayPoint* first = nullptr;
            const DisplayPoint* last = nullptr;
            for (int32_t i = 0; i < d.tables.mDisplayPointCount; ++i) {
                const DisplayPoint& q = d.tables.mDisplayPoints[i];
                if (q.ContourId != 1) continue;
                if (last) length += std::hypot(q.X - last->X, q.Y - last->Y);
                if (!first) first = &q;
                last = &q;
            }
            ASSERT_TRUE(first) << c.name;
            length += std::hypot(first->X - last->X, first->Y - last->Y);
            EXPECT_NEAR(length, c.length, 1e-9) << c.name;
        }
    }
}

TEST_F(MenuTest, OpenFilterIsOneEntryForAllThreeKinds) {
    EXPECT_EQ(OpenFileFilter(), "DXF文件(*.dxf),G代码(*.nc),PLT文件(*.plt) (*.dxf *.nc *.plt)");
}

TEST_F(MenuTest, CloseEmptiesEverySoAWheelDrawsNothingAndAClickPicksNothing) {
    Load(TwoSquares());
    PickAll();
    auto& panel = program.ctx.panel;
    panel.Shape2.Visible = panel.Shape3.Visible = true;
    d.pick.mDeleteCount = 1;
    d.mMousePointer = 12;
    ASSERT_FALSE(panel.Label4[1].empty());
    关闭_Click(program, d);
    EXPECT_TRUE(d.list.Lines.empty());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(panel.Label4[i], "") << i;
    EXPECT_EQ(d.pick.mSelCount, 0);
    EXPECT_EQ(d.pick.mSelection[0].Kind, 0);
    EXPECT_EQ(d.pick.mDeleteCount, 0);
    EXPECT_EQ(home.Read("PointForControl.dat"), "");
    EXPECT_EQ(home.Read("CtrP.dat"), "");
    EXPECT_TRUE(panel.List1.empty());
    EXPECT_FALSE(panel.Shape2.Visible || panel.Shape3.Visible);
    EXPECT_EQ(d.tables.mNodeCount, 0);
    EXPECT_EQ(d.mMousePointer, 12);  // a node mode stays on
    // No open file: nothing to export.
    字形PLT_Click(program, d);
    EXPECT_EQ(op.LastText(), "Have no opened file, Can't Output!");
    EXPECT_FALSE(home.Exists("ShapePLT.plt"));

    WheelZoom(program, d, true);
    EXPECT_TRUE(d.list.Lines.empty());
    // Neither the undo of an added node nor the mirror shows it again.
    const std::string display = home.Read("PointForDisplay.dat");
    取消前一个增加_Click(program, d);
    字形Y镜向_Click(program, d);
    EXPECT_EQ(d.tables.mNodeCount, 0);
    EXPECT_TRUE(d.list.Lines.empty());
    EXPECT_EQ(d.mMirrorY, 0);
    EXPECT_EQ(home.Read("PointForDisplay.dat"), display);
    d.mMousePointer = 0;
    Picture1_MouseDown(program, d, 1, 0, 378, 266);
    EXPECT_EQ(d.pick.mSelection[0].Kind, 0);
    EXPECT_EQ(d.mMousePointer, 0);
}

TEST_F(MenuTest, CancelSelectDropsTheLastRange) {
    Load(TwoSquares() + "SPLINE 3\r\n200 0 Node\r\n220 0 Node\r\n220 20 Node\r\n");
    PickAll();
    ASSERT_EQ(d.pick.mSelCount, 3);
    const std::string three = home.Read("PointForControl.dat");
    取消选择_Click(program, d);
    EXPECT_EQ(d.pick.mSelCount, 2);
    EXPECT_EQ(d.pick.mSelection[2].Kind, 0);
    EXPECT_EQ(CountControlBlocks(home.Read("PointForControl.dat")), 2);
    EXPECT_EQ(home.Read("PointForControl.dat"), DropLastControlBlock(three));
    EXPECT_EQ(d.mPathCount, 4);  // CtrP.dat rebuilt from the two blocks
    EXPECT_EQ(Count(kGreen) >= 4, true);

    // A range being picked goes with the last picked one: no range is left
    // open on the dropped contour.
    ClickNode(9);
    ASSERT_NE(d.pick.mSelection[2].Kind, 0);
    取消选择_Click(program, d);
    EXPECT_EQ(d.pick.mSelCount, 1);
    EXPECT_EQ(d.pick.mSelection[1].Kind, 0);
    EXPECT_EQ(d.pick.mSelection[2].Kind, 0);
    EXPECT_EQ(CountControlBlocks(home.Read("PointForControl.dat")), 1);

    // The only range left stays, with its path, and so does a range being
    // picked beside it.
    const std::string one = home.Read("PointForControl.dat");
    取消选择_Click(program, d);
    EXPECT_EQ(d.pick.mSelCount, 1);
    EXPECT_EQ(home.Read("PointForControl.dat"), one);
    EXPECT_EQ(d.mPathCount, 2);
    EXPECT_FALSE(program.ctx.panel.List1.empty());
    ClickNode(9);
    取消选择_Click(program, d);
    EXPECT_EQ(d.pick.mSelCount, 1);
    EXPECT_EQ(d.pick.mSelection[1].FirstNode, 9);
    EXPECT_EQ(home.Read("PointForControl.dat"), one);
    ClickNode(9);  // closes it

    // Refused while the machine is busy.
    ASSERT_EQ(d.pick.mSelCount, 2);
    program.ctx.run.gHomeState = 1;
    取消选择_Click(program, d);
    EXPECT_EQ(d.pick.mSelCount, 2);
}

TEST_F(MenuTest, SelectAreaInSquareMetresInBothLanguages) {
    EXPECT_EQ(SelectAreaMessage("2500000.000", 1), "Select Area is about  2.5 square meter");
    EXPECT_EQ(SelectAreaMessage("2500000.000", 0), "选择字形总面积约为  2.5 平方米");
    EXPECT_EQ(SelectAreaMessage("500.000", 1), "Select Area is about  .0005 square meter");

    // A picked rectangle of 2500 x 1000 as measured by the strips.
    const std::string ctrp =
        "SPLINE -90.0000 3\r\n0 0 1 0 0 0\r\n2500 0 0 0 0 0\r\n2500 1000 0 0 0 0\r\n0 1000 0 0 0 0\r\n"
        "0 0 1 0 0 0\r\nSPLINE -90.0000 0\r\n";
    home.Write("CtrP.dat", ctrp);
    const std::string area = SelectAreaText(ctrp, 1).value_or("?");
    EXPECT_NEAR(Val(area), 2500000, 500);
    struct Case {
        int16_t language;
        std::string text;
        const char* title;
    };
    for (const Case& c : {Case{1, SelectAreaMessage(area, 1), "Info"}, Case{0, SelectAreaMessage(area, 0), "提示"}}) {
        program.params.gLanguage = c.language;
        查看选择面积_Click(program, d);
        ASSERT_FALSE(op.messages.empty());
        EXPECT_EQ(op.messages.back().text, c.text);
        EXPECT_EQ(op.messages.back().title, c.title);
        EXPECT_EQ(op.messages.back().icon, MsgIcon::Information);
    }
}

TEST_F(MenuTest, NodeMenusOnlyWithAnOutlineNoPickAndNoRun) {
    增加节点_Click(program, d);
    EXPECT_EQ(d.mMousePointer, 0);
    Load(TwoSquares());
    program.ctx.run.gRunning = kTrue;
    删除节点_Click(program, d);
    EXPECT_EQ(d.mMousePointer, 0);
    program.ctx.run.gRunning = 0;
    增加节点_Click(program, d);
    EXPECT_EQ(d.mMousePointer, 2);
    删除节点_Click(program, d);
    EXPECT_EQ(d.mMousePointer, 12);
    取消删除_Click(program, d);
    EXPECT_EQ(d.mMousePointer, 0);
    ClickNode(1);  // a range being picked
    增加节点_Click(program, d);
    EXPECT_EQ(d.mMousePointer, 0);
    // The undo menus end the node modes and then do nothing more.
    d.mMousePointer = 12;
    d.pick.mDeleteCount = 1;
    取消删除_Click(program, d);
    EXPECT_EQ(d.mMousePointer, 0);
    EXPECT_EQ(d.pick.mDeleteCount, 1);
}

TEST_F(MenuTest, CancelAddBeforeAndCancelAllAdd) {
    // A 10 x 8 rectangle: its sides are short enough to take nodes.
    home.Write("rect.plt", "IN;PU40,40;PD440,40,440,360,40,360,40,40;PU;");
    op.fileAnswers.push_back((home / "rect.plt").string());
    打开_Click(program, d);
    const std::string original = home.Read("PointForDisplay.dat");
    const int16_t nodes = d.tables.mNodeCount;
    program.ctx.panel.gViewWidth = 50;
    d.mMousePointer = 2;
    ClickAt(3.5, 1.1);  // bottom side
    ClickAt(10.9, 5);   // right side
    ASSERT_EQ(d.pick.mAddedNodeCount, 2);
    EXPECT_EQ(d.tables.mNodeCount, nodes + 2);
    取消前一个增加_Click(program, d);
    EXPECT_EQ(d.mMousePointer, 0);
    EXPECT_EQ(d.pick.mAddedNodeCount, 1);
    EXPECT_EQ(d.tables.mNodeCount, nodes + 1);
    // Not while a range is picked.
    d.mMousePointer = 0;
    ClickNode(1);
    取消增加_Click(program, d);
    EXPECT_EQ(d.pick.mAddedNodeCount, 1);
    取消选择_Click(program, d);  // keeps a range being picked beside none picked
    EXPECT_EQ(d.pick.mSelection[0].FirstNode, 1);
    d.pick.mSelection[0] = SelEntry{};
    取消增加_Click(program, d);
    EXPECT_EQ(d.pick.mAddedNodeCount, 0);
    EXPECT_EQ(home.Read("PointForDisplay.dat"), original);
    EXPECT_EQ(d.tables.mNodeCount, nodes);

    // Cancel All Add keeps the mirror.
    字形Y镜向_Click(program, d);
    EXPECT_EQ(d.mMirrorY, 1);
    const std::string mirrored = home.Read("PointForDisplay.dat");
    EXPECT_NE(mirrored, original);
    取消增加_Click(program, d);
    EXPECT_EQ(home.Read("PointForDisplay.dat"), mirrored);
    字形Y镜向_Click(program, d);
    EXPECT_EQ(d.mMirrorY, 0);
}

TEST_F(MenuTest, CancelAddBeforeTakesBackExactlyTheLastNode) {
    Load("SPLINE 1\r\n0.000000 0.000000 Node\r\n10.000000 0.000000\r\n10.000000 10.000000 Node\r\n");
    const std::string before = home.Read("PointForDisplay.dat");
    program.ctx.panel.gViewWidth = 200;
    d.mMousePointer = 2;
    program.ctx.panel.gViewWidth = 50;  // hits within 0.5 of a node
    ClickAt(5, 0.1);  // inside the first segment: a new point
    ASSERT_EQ(d.pick.mAddedNodeCount, 1);
    EXPECT_EQ(d.tables.mDisplayPointCount, 4);
    ClickAt(9.95, 0.01);  // near the plain point (10, 0): that point is marked
    ASSERT_EQ(d.pick.mAddedNodeCount, 2);
    取消前一个增加_Click(program, d);
    EXPECT_EQ(d.tables.mDisplayPointCount, 4);  // the marked point stays, unmarked
    EXPECT_EQ(d.tables.mNodeCount, 4);
    取消前一个增加_Click(program, d);
    EXPECT_EQ(home.Read("PointForDisplay.dat"), before);
    EXPECT_EQ(d.tables.mNodeCount, 3);
    // Nothing left: only reloaded.
    取消前一个增加_Click(program, d);
    EXPECT_EQ(home.Read("PointForDisplay.dat"), before);
}

// ---- contour offset and lengths ----

TEST_F(MenuTest, LengthCaptionsOfTheWorkedExamples) {
    auto& panel = program.ctx.panel;
    struct Case {
        double L;
        int16_t n;
        const char *text4, *text5, *text7;
        double dist;
        const char *selected, *total;
    };
    const Case cases[] = {
        {1500.25, 2, "10", "3", "100", 150, "1500.2500  mm", "4770.7500  mm"},
        {1500.25, 2, "10", "", "100", 150, "1500.2500  mm", "240.0000  mm"},
        {1500.25, 2, "10", "1", "100", 150, "1500.2500  mm", "1750.2500  mm"},
        {500, 2, "10", "2", "100", 50, "500.0000  mm", "1160.0000  mm"},
        {510, 4, "10", "2", "100", 50, "500.0000  mm", "1180.0000  mm"},
        {510, 3, "10", "1", "0", 0, "500.0000  mm", "510.0000  mm"},
        {500, 0, "10", "1", "100", 50, "", ""},
        // The total repeats the selected length as shown (four decimals).
        {100.00004, 2, "10", "3", "100", 0, "100.0000  mm", "420.0000  mm"},
    };
    for (const Case& c : cases) {
        panel.Text4 = c.text4;
        panel.Text5 = c.text5;
        panel.Text7 = c.text7;
        program.ctx.sys().gBendToSlotDist = c.dist;
        d.mPathCount = c.n;
        RefreshLengthCaptions(program, d, c.L);
        EXPECT_EQ(panel.Label4[1], c.selected) << c.L << " " << c.n;
        EXPECT_EQ(panel.Label4[2], c.total) << c.L << " " << c.n << " " << c.text5;
    }
}

TEST_F(MenuTest, ContourOffsetAndPieceCount) {
    Load(TwoSquares());
    auto& panel = program.ctx.panel;
    // Nothing picked: CtrP.dat is not rebuilt, the captions stay, List1 is
    // refilled from the existing path.
    home.Write("CtrP.dat", "SPLINE -90.0000 3\r\n0 0 1 0 0 0\r\n30 0 1 0 0 0\r\nSPLINE -90.0000 0\r\n");
    panel.Label4[1] = "x";
    Command1_Click(program, d);
    EXPECT_EQ(panel.Label4[1], "x");
    EXPECT_EQ(panel.List1.size(), 1u);
    EXPECT_EQ(home.Read("CtrP.dat"), "SPLINE -90.0000 3\r\n0 0 1 0 0 0\r\n30 0 1 0 0 0\r\nSPLINE -90.0000 0\r\n");
    // Text5 changes measure the existing path.
    panel.Text5 = "2";
    Text5_Change(program, d);
    EXPECT_EQ(panel.Label4[1], "30.0000  mm");
    EXPECT_EQ(panel.Label4[2], "170.0000  mm");  // 10 + 2 x 30 + 100 + 0

    // The offset moves the path: the outer square picked with an offset of 2.
    home.Write("CtrP.dat", "");
    ClickNode(1);
    ClickNode(1);
    const std::string plain = home.Read("CtrP.dat");
    const double L0 = Val(panel.Label4[1]);
    panel.Text6 = "2";
    Command1_Click(program, d);
    EXPECT_NE(home.Read("CtrP.dat"), plain);
    EXPECT_NEAR(std::fabs(Val(panel.Label4[1]) - L0), 16, 1e-6);
}

TEST_F(MenuTest, HooksServeTheMachineCore) {
    InstallDrawingHooks(program, d);
    Load(TwoSquares());
    ClickNode(1);
    ClickNode(1);
    auto& hooks = program.ctx.hooks;
    double total = 0;
    int16_t n = 0;
    ASSERT_TRUE(hooks.CalcPathLength(total, n));
    EXPECT_EQ(n, 2);
    EXPECT_NEAR(total, 400, 1e-6);
    EXPECT_GT(program.ctx.mPathPointCount, 0);

    // Stop discards the picks; the drawing rebuilt without them.
    hooks.DiscardPicks();
    hooks.BuildDisplayList(0);
    EXPECT_EQ(d.pick.mSelCount, 0);
    EXPECT_EQ(home.Read("PointForControl.dat"), "");
    EXPECT_EQ(home.Read("CtrP.dat"), "");
    EXPECT_EQ(Count(kMagenta), 0);

    // Run rebuilds an empty path from the picked blocks.
    ClickNode(1);
    ClickNode(1);
    home.Write("CtrP.dat", "");
    hooks.BuildCtrPFile();
    EXPECT_FALSE(home.Read("CtrP.dat").empty());
    EXPECT_GT(Count(kMagenta), 0);
}

}  // namespace
