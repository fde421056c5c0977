// Driving the real main window as an operator would, shared by its tests,
// its benchmarks and the screenshot tool: the outline opened through the
// Open menu, every contour picked by mouse clicks on Picture1, and the
// environment of a child process that plays the program on a program
// folder of its own.
#pragma once
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <QAction>
#include <QTest>

#include "velbend/common/operator.h"
#include "velbend/forms/drawing_view.h"
#include "velbend/ui/main_form.h"

extern char** environ;

namespace velbend::testing {

// Opens `file` through the 打开 menu (the recording operator answers the
// file dialog).
inline void OpenOutline(MainForm& form, RecordingOperator& op, const std::filesystem::path& file) {
    op.fileAnswers.push_back(file.string());
    form.Action("打开")->trigger();
}

// Clicks the first node of every contour twice (the whole contour); the
// number of contours picked.
inline int PickEveryContour(MainForm& form) {
    QWidget* picture = form.Control("Picture1");
    const auto& t = form.model().drawing.tables;
    int contours = 0;
    for (int k = 1; k < t.mNodeCount; ++k) {
        if (t.mNodes[k].NodeNo != 1) continue;
        double X = 0, Y = 0;
        DrawingToPixel(form.program(), t.mNodes[k].X, t.mNodes[k].Y, X, Y);
        const QPoint at(static_cast<int>(std::lround(X)), static_cast<int>(std::lround(Y)));
        QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, at);
        ++contours;
    }
    return contours;
}

// This process's environment for a child on the program folder `home`, the
// simulated card and the offscreen platform (what this process had of
// those replaced).
inline std::vector<std::string> ChildEnvironment(const std::filesystem::path& home) {
    std::vector<std::string> env = {"VELBEND_HOME=" + home.string(), "TARVIKM_SIM=1", "QT_QPA_PLATFORM=offscreen"};
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        if (v.rfind("VELBEND_", 0) != 0 && v.rfind("TARVIKM_", 0) != 0 && v.rfind("QT_QPA_PLATFORM=", 0) != 0)
            env.push_back(v);
    }
    return env;
}

// The pointers execve wants, into `env`.
inline std::vector<char*> EnvPointers(std::vector<std::string>& env) {
    std::vector<char*> p;
    for (auto& v : env) p.push_back(v.data());
    p.push_back(nullptr);
    return p;
}

}  // namespace velbend::testing
