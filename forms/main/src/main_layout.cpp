#include "velbend/forms/main_layout.h"

#include <cmath>
#include <string>

#include "velbend/common/numtext.h"

namespace velbend {
namespace {

std::string Ix(const char* base, int i) { return std::string(base) + "(" + std::to_string(i) + ")"; }

}  // namespace

MainLayout DesignLayout(bool secondBuild) {
    MainLayout l;
    auto& p = l.px;
    auto& t = l.tw;
    // Top level (pixels).
    p["Picture1"] = {0, 0, 756, 532.5};
    p["TabStrip1"] = {756, 0, 252, 532.5};
    p["Text1"] = {756, 0, 252, 17};
    p["Frame1"] = {762, 24, 240, 135.5};
    p["Frame2"] = {762, 167.5, 240, 135.5};
    p["Frame3"] = {762, 311, 240, 135.5};
    p["Frame7"] = {762, 454.5, 240, 45};
    p["Frame4"] = {762, 24, 240, 476.5};
    p["Frame5"] = {6, 538.5, 351.43, 165.5};
    p["Frame9"] = {363.43, 538.5, 140.57, 165.5};
    p["TabStrip2"] = {510, 538.5, 492, 165.5};
    p["Frame6"] = {519.84, 564.98, 472.32, 129.09};
    p["List1"] = p["Frame6"];
    p["OutFrame"] = {324, 225, 360, 260};
    p["QHparaFrame"] = {254, 109, 500, 410};
    p["TshFrame"] = {324, 265, 360, 180};
    if (secondBuild) {
        p.erase("Frame5");
        p.erase("TabStrip2");
        p["Frame6"] = {6, 538.5, 492, 165.5};
        p["Frame9"] = {504, 538.5, 140.57, 165.5};
        p["List1"] = {650.57, 543.5, 351.43, 165.5};
    }

    // Feeding frame (twips).
    t["Label1(0)"] = {288, 305, 1260, 255};
    t["Text2"] = {1608, 260, 720, 285};
    t["Label0(5)"] = {2448, 305, 720, 255};
    t["Check1"] = {288, 610, 1260, 255};
    t["Text3"] = {1608, 610, 720, 285};
    t["Label0(6)"] = {2448, 640, 720, 255};
    t["Check3"] = {288, 1016, 1560, 255};
    t["Check4"] = {1888, 1016, 1560, 255};
    t["Command_TL"] = {288, 1341, 900, 366};
    t["Command_SL"] = {1368, 1341, 900, 366};
    t["Command_XZ"] = {2448, 1341, 900, 366};
    // Seek-zero frame.
    t["Command_Z1"] = {288, 406, 2952, 366};
    t["Command_Z2"] = {288, 853, 2952, 366};
    t["Command_Z3"] = {288, 1300, 2952, 366};
    // Machining frame.
    t["Label1(1)"] = {288, 325, 1260, 255};
    t["Label1(2)"] = {2088, 325, 1260, 255};
    t["Label1(12)"] = {288, 671, 1410, 255};
    t["Text4"] = {1152, 285, 432, 285};
    t["Text5"] = {2952, 285, 324, 285};
    t["Text7"] = {1302, 630, 432, 285};
    t["Text15"] = {1302, 630, 432, 285};
    t["Label0(7)"] = {1692, 325, 360, 255};
    t["Label0(9)"] = {1692, 671, 360, 255};
    t["Check2"] = {2088, 650, 1400, 255};
    t["Command_Run"] = {288, 1057, 756, 671};
    t["Command_Pause"] = {1260, 1057, 756, 671};
    t["Command_Stop"] = {2232, 1057, 756, 671};
    t["StepCommand"] = {2232, 240, 1100, 330};
    t["StepText"] = {2232, 600, 1100, 285};
    // Contour-offset frame.
    t["Command1"] = {180, 189, 1440, 338};
    t["Text6"] = {1800, 249, 700, 285};
    t["Label0(8)"] = {2515, 279, 300, 255};
    // Setup buttons.
    for (int i = 0; i < 6; ++i) t[Ix("Command10", i)] = {360, i * 893.4 + 480, 2880, 450};
    // Shape information.
    for (int r = 0; r < 4; ++r) {
        const double top = (0.13 + 0.195 * r) * 1936;
        t[Ix("Label1", 8 + r)] = {354, top, 1771, 255};
        t["Line" + std::to_string(r + 1)] = {2125, top + 255, 4533, 0};
        t[Ix("Label4", r)] = {2125, top, 4675, 255};
    }
    // Machine state.
    for (int i = 0; i < 5; ++i) {
        const double top = (0.15 + 0.15 * i) * 2482;
        t[Ix("Label1", 3 + i)] = {100, top, 1300, 255};
        t[Ix("Label0", i)] = {2300, top, 700, 255};
    }
    const char* boxes[5] = {"TextX", "TextY", "TextZ", "TextA", "TextF"};
    for (int i = 0; i < 5; ++i) t[boxes[i]] = {1420, (0.15 + 0.15 * i) * 2482 - 45, 850, 285};
    const char* lamps[6] = {"Label2(0)", "Label2(1)", "Label3(0)", "Label3(1)", "Label3(2)", "Label3(3)"};
    for (int i = 0; i < 6; ++i) {
        const double top = (0.13 + 0.13 * i) * 2482;
        t[Ix("Shape1", i)] = {3060, top, 255, 255};
        t[lamps[i]] = {3380, top, 1850, 255};
    }
    // Machine debug.
    for (int i = 0; i < 3; ++i) t[Ix("Command4", i)] = {211, (0.65 - 0.25 * i) * 2482, 1687, 375};
    if (secondBuild) {
        // No machine-state panel.
        for (int i = 0; i < 5; ++i) {
            t.erase(Ix("Label1", 3 + i));
            t.erase(Ix("Label0", i));
            t.erase(boxes[i]);
        }
        for (int i = 0; i < 6; ++i) {
            t.erase(Ix("Shape1", i));
            t.erase(lamps[i]);
        }
    }
    return l;
}

bool Form_Resize(MainLayout& l, double W, double H, double outerW, double outerH, bool cs7) {
    if (outerW < kMinOuterWidthTwips || outerH < kMinOuterHeightTwips) return false;
    if (!(W > 0) || !(H > 0)) return false;
    const double xf = outerW / W;
    const double yf = outerH / H;
    auto& p = l.px;
    auto& t = l.tw;

    auto& pic = p["Picture1"];
    pic.Width = 0.75 * W;
    pic.Height = 0.75 * H;

    // Right column.
    auto& ts1 = p["TabStrip1"];
    ts1 = {pic.Width, ts1.Top, 0.25 * W, pic.Height};
    auto& t1 = p["Text1"];
    t1.Left = ts1.Left;
    t1.Width = ts1.Width;
    auto& f1 = p["Frame1"];
    f1 = {ts1.Left + 6, 24, ts1.Width - 12, ts1.Height / 3 - 42 - (cs7 ? 60 : 0)};
    auto& f2 = p["Frame2"];
    f2 = {f1.Left, f1.Bottom() + 8, f1.Width, f1.Height + (cs7 ? 85 : 0)};
    auto& f3 = p["Frame3"];
    f3 = {f1.Left, f2.Bottom() + 8, f1.Width, f2.Height};
    auto& f7 = p["Frame7"];
    f7 = {f3.Left, f3.Bottom() + 8, f3.Width, cs7 ? 55 : f7.Height};
    auto& f4 = p["Frame4"];
    f4 = {ts1.Left + 6, f1.Top, ts1.Width - 12, ts1.Height - 56};

    // Bottom band.
    const double B = W / 2 - 12;
    if (!cs7) {
        auto& f5 = p["Frame5"];
        f5 = {6, pic.Height + 6, 5 * B / 7, 0.25 * H - 12};
        p["Frame9"] = {5 * B / 7 + 12, f5.Top, 2 * B / 7, f5.Height};
        auto& ts2 = p["TabStrip2"];
        ts2 = {W / 2 + 6, f5.Top, B, f5.Height};
        auto& f6 = p["Frame6"];
        f6 = {ts2.Left + 0.02 * ts2.Width, ts2.Top + 0.16 * ts2.Height, 0.96 * ts2.Width, 0.78 * ts2.Height};
        p["List1"] = f6;
    } else {
        auto& f6 = p["Frame6"];
        f6 = {6, pic.Height + 6, B, 0.25 * H - 12};
        p["Frame9"] = {B + 12, f6.Top, 2 * B / 7, f6.Height};
        p["List1"] = {9 * B / 7 + 18, f6.Top + 5, 5 * B / 7, f6.Height};
    }

    // Setup buttons (the frame's width sets their height too).
    for (int i = 0; i < 6; ++i) {
        auto& c = t[Ix("Command10", i)];
        c.Width = f4.Width * xf * 0.8;
        c.Left = f4.Width * xf * 0.1;
        c.Height = f4.Width * yf * 0.125;
        c.Top = i * f4.Height * yf * 0.125 + 480;
    }

    // Contour offset.
    {
        auto& c1 = t["Command1"];
        c1 = {f7.Width * xf * 0.05, f7.Height * yf * 0.28, f7.Width * xf * 0.4, f7.Height * yf * 0.5};
        auto& t6 = t["Text6"];
        t6.Left = f7.Width * xf * 0.5;
        t6.Top = c1.Top + 4 * xf;
        auto& l8 = t["Label0(8)"];
        l8.Left = t6.Right() + 15 * xf;
        l8.Top = t6.Top + 2 * xf;
    }

    // Feeding.
    {
        const double X = f1.Width * xf, Y = f1.Height * yf;
        auto& l0 = t["Label1(0)"];
        l0.Left = 0.08 * X; l0.Top = 0.15 * Y; l0.Width = 0.35 * X;
        auto& t2 = t["Text2"];
        t2.Left = l0.Right() + 4 * xf; t2.Top = l0.Top - 3 * yf; t2.Width = 0.2 * X;
        auto& u5 = t["Label0(5)"];
        u5.Left = t2.Right() + 8 * xf; u5.Top = l0.Top; u5.Width = 0.2 * X;
        auto& c1 = t["Check1"];
        c1.Left = l0.Left; c1.Top = 0.3 * Y; c1.Width = l0.Width;
        auto& t3 = t["Text3"];
        t3.Left = t2.Left; t3.Top = c1.Top; t3.Width = t2.Width;
        auto& u6 = t["Label0(6)"];
        u6.Left = u5.Left; u6.Top = c1.Top + 2 * yf; u6.Width = u5.Width;
        auto& c3 = t["Check3"];
        c3.Left = c1.Left; c3.Top = 0.5 * Y;
        auto& c4 = t["Check4"];
        c4.Left = c3.Left + 1600; c4.Top = c3.Top;
        auto& tl = t["Command_TL"];
        tl = {c1.Left, (cs7 ? 0.3 : 0.66) * Y, 0.25 * X, (cs7 ? 0.4 : 0.18) * Y};
        auto& sl = t["Command_SL"];
        sl = {tl.Right() + 0.05 * X, tl.Top, tl.Width, tl.Height};
        t["Command_XZ"] = {sl.Right() + 0.05 * X, tl.Top, tl.Width, tl.Height};
    }

    // Seek zero.
    {
        const double X = f2.Width * xf, Y = f2.Height * yf;
        const char* names[3] = {"Command_Z1", "Command_Z2", "Command_Z3"};
        const double tops[3] = {0.2, 0.42, 0.64};
        for (int i = 0; i < 3; ++i) t[names[i]] = {0.08 * X, tops[i] * Y, 0.82 * X, 0.18 * Y};
    }

    // Machining.
    {
        const double X = f3.Width * xf, Y = f3.Height * yf;
        auto& l1 = t["Label1(1)"];
        l1.Left = 0.08 * X; l1.Top = 0.16 * Y; l1.Width = 0.35 * X;
        auto& l2 = t["Label1(2)"];
        l2.Left = l1.Left + 0.5 * X; l2.Top = l1.Top; l2.Width = l1.Width;
        auto& l12 = t["Label1(12)"];
        l12.Left = l1.Left; l12.Top = 0.33 * Y; l12.Width = l1.Width + 150;
        auto& t4 = t["Text4"];
        auto& t5 = t["Text5"];
        t4.Left = l1.Left + 0.24 * X; t4.Width = 0.12 * X;
        t5.Left = l2.Left + 0.24 * X; t5.Top = 0.14 * Y; t5.Width = 0.75 * t4.Width;
        t4.Top = t5.Top;
        auto& t7 = t["Text7"];
        t7.Left = t4.Left + 150; t7.Top = 0.31 * Y; t7.Width = t4.Width;
        auto& t15 = t["Text15"];
        t15.Left = t7.Left; t15.Top = t7.Top; t15.Width = t7.Width;
        auto& u7 = t["Label0(7)"];
        u7.Left = t4.Left + 0.15 * X; u7.Top = l1.Top; u7.Width = 0.1 * X;
        auto& u9 = t["Label0(9)"];
        u9.Left = u7.Left; u9.Top = l12.Top; u9.Width = u7.Width;
        auto& c2 = t["Check2"];
        c2.Left = l2.Left; c2.Top = 0.32 * Y;
        auto& run = t["Command_Run"];
        run = {0.08 * f3.Width * yf, 0.52 * Y, 0.21 * X, 0.33 * Y};
        t["Command_Pause"] = {0.35 * f3.Width * yf, run.Top, run.Width, run.Height};
        t["Command_Stop"] = {0.62 * f3.Width * yf, run.Top, run.Width, run.Height};
    }

    // Shape information.
    {
        auto& f6 = p["Frame6"];
        const double X = f6.Width * xf, Y = f6.Height * yf;
        const double tops[4] = {0.13, 0.325, 0.52, 0.715};
        for (int r = 0; r < 4; ++r) {
            auto& cap = t[Ix("Label1", 8 + r)];
            cap.Width = 0.25 * X;
            cap.Left = 0.05 * X;
            cap.Top = tops[r] * Y;
            const double y = cap.Bottom();
            t["Line" + std::to_string(r + 1)] = {0.3 * X, y, 0.94 * X - 0.3 * X, 0};
            auto& val = t[Ix("Label4", r)];
            val.Left = 0.3 * X; val.Width = 0.66 * X; val.Top = cap.Top;
        }
    }

    // Machine state (first build only).
    if (!cs7) {
        const double Y = p["Frame5"].Height * yf;
        const char* boxes[5] = {"TextX", "TextY", "TextZ", "TextA", "TextF"};
        for (int i = 0; i < 5; ++i) {
            const double top = (0.15 + 0.15 * i) * Y;
            t[Ix("Label1", 3 + i)].Top = top;
            t[boxes[i]].Top = top - 3 * yf;
            t[Ix("Label0", i)].Top = top;
        }
        const char* lamps[6] = {"Label2(0)", "Label2(1)", "Label3(0)", "Label3(1)", "Label3(2)", "Label3(3)"};
        for (int i = 0; i < 6; ++i) {
            const double top = (0.13 + 0.13 * i) * Y;
            t[Ix("Shape1", i)].Top = top;
            t[lamps[i]].Top = top;
        }
    }

    // In-window dialog frames, centred.
    {
        auto& o = p["OutFrame"];
        o.Left = W / 2 - o.Width / 2; o.Top = H / 2 - o.Height / 2;
        auto& q = p["QHparaFrame"];
        q.Left = W / 2 - q.Width / 2; q.Top = H / 2 - 0.6 * q.Height;
        auto& s = p["TshFrame"];
        s.Left = W / 2 - s.Width / 2; s.Top = H / 2 - s.Height / 2;
    }

    // Machine debug.
    {
        auto& f9 = p["Frame9"];
        const double X = f9.Width * xf, Y = f9.Height * yf;
        const double tops[3] = {0.65, 0.4, 0.15};
        for (int i = 0; i < 3; ++i) {
            auto& c = t[Ix("Command4", i)];
            c.Width = 0.8 * X; c.Left = 0.1 * X; c.Top = tops[i] * Y;
        }
    }
    return true;
}

void PictureSize(const MainLayout& layout, int& width, int& height) {
    const auto& pic = layout.px.at("Picture1");
    width = static_cast<int>(RoundHalfEven(pic.Width));
    height = static_cast<int>(RoundHalfEven(pic.Height));
}

}  // namespace velbend
