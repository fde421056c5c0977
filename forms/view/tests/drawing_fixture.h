// A drawing on a fresh program folder: program, drawing model, recording
// operator, the simulated card, and small display files.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "velbend/forms/drawing.h"
#include "velbend/forms/drawing_menus.h"
#include "velbend/forms/drawing_view.h"
#include "velbend/forms/program.h"
#include "velbend/testsupport/sim_card.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend::testing {

class DrawingTest : public ::testing::Test {
protected:
    DrawingTest() : program(op), sim(program.ctx.card) {
        program.params.gLanguage = 1;
        GLResize(program, d, 756, 532);
        d.Core().TranParas(0.1, 5, 30, 10, 45, 105.0);
        d.Core().ControlPointCls();
    }
    void SetUp() override {
        if (!sim.Usable()) GTEST_SKIP() << sim.Why();
    }

    // Writes a display file and loads it with the view fitted.
    void Load(const std::string& display) {
        home.Write("PointForDisplay.dat", display);
        ASSERT_TRUE(LoadDisplayPoints(program, d, 0)) << op.LastText();
        program.ctx.panel.Label4[0] = (home / "outline.plt").string();
        BuildDisplayList(program, d, 0);
    }
    // Presses the left (or another) button at the pixel of a drawing point.
    void ClickAt(double x, double y, int button = 1, int shift = 0) {
        double X, Y;
        DrawingToPixel(program, x, y, X, Y);
        Picture1_MouseDown(program, d, button, shift, X, Y);
        Picture1_MouseUp(program, d, button, shift, X, Y);
    }
    void ClickNode(int node, int shift = 0) { ClickAt(d.tables.mNodes[node].X, d.tables.mNodes[node].Y, 1, shift); }
    int Count(const DisplayColor& c) const {
        int n = 0;
        for (const DisplayLine& l : d.list.Lines) n += l.Color == c;
        return n;
    }

    TempHome home;
    RecordingOperator op;
    Program program;
    SimCard sim;
    DrawingModel d;
};

// A square of side 100 with a node at each corner (contour 1) and a small
// square of side 20 inside it, nodes at its corners (contour 2).
inline std::string TwoSquares() {
    return "SPLINE 1\r\n"
           "0.000000 0.000000 Node\r\n50.000000 0.000000\r\n100.000000 0.000000 Node\r\n"
           "100.000000 50.000000\r\n100.000000 100.000000 Node\r\n50.000000 100.000000\r\n"
           "0.000000 100.000000 Node\r\n0.000000 50.000000\r\n"
           "SPLINE 2\r\n"
           "40.000000 40.000000 Node\r\n60.000000 40.000000 Node\r\n60.000000 60.000000 Node\r\n"
           "40.000000 60.000000 Node\r\n"
           "SPLINE END\r\n";
}

}  // namespace velbend::testing
