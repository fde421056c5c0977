#include "world.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "velbend/common/numtext.h"
#include "velbend/forms/about_form.h"
#include "velbend/forms/drawing_view.h"
#include "velbend/machine/run_timer.h"
#include "velbend/params/curvature.h"
#include "velbend/params/sysfile.h"

namespace velbend::sequences {
namespace {

// The set-up's fields by name, in the order they are written.
struct Field {
    const char* name;
    int Setup::*member;
};
constexpr Field kFields[] = {
    {"cutter", &Setup::cutter},       {"detect", &Setup::detect},
    {"axisA", &Setup::axisA},         {"benders", &Setup::benders},
    {"encoder", &Setup::encoder},     {"encoderOn", &Setup::encoderOn},
    {"encoderZero", &Setup::encoderZero}, {"seekBefore", &Setup::seekBefore},
    {"feedSeek", &Setup::feedSeek},   {"feedSwitch", &Setup::feedSwitch},
    {"testMode", &Setup::testMode},   {"splicePause", &Setup::splicePause},
    {"level", &Setup::level},         {"sensorTicks", &Setup::sensorTicks},
    {"slip", &Setup::slip},           {"cs7", &Setup::cs7},
    {"group", &Setup::group},         {"encoderFault", &Setup::encoderFault},
};

std::optional<int> ToInt(std::string_view s) {
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A square of side `side` mm with its lower left corner at (x, y), as a
// plotter file draws it (40 units a millimetre).
std::string PltSquare(int x, int y, int side) {
    auto p = [](int mm) { return std::to_string(mm * 40); };
    return "PU" + p(x) + "," + p(y) + ";PD" + p(x + side) + "," + p(y) + "," + p(x + side) + "," + p(y + side) +
           "," + p(x) + "," + p(y + side) + "," + p(x) + "," + p(y) + ";";
}

// A rounded rectangle (corner radii r: lower right, upper right, upper left,
// lower left) and, inside it, a circle of radius `circle`, as one closed
// rational quadratic spline each: every side and every quarter arc a
// Bezier piece of its own, so that the arcs are exact circles.
std::string Num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.15g", v);
    return b;
}

std::string DxfSpline(const std::vector<std::array<double, 3>>& points) {
    // points: x, y, weight; pieces of three points sharing their ends.
    const int pieces = static_cast<int>(points.size() - 1) / 2;
    std::string s = "0\nSPLINE\n8\nLETTERS\n70\n0\n71\n2\n72\n" + std::to_string(2 * pieces + 4) + "\n73\n" +
                    std::to_string(points.size()) + "\n74\n0\n";
    auto knot = [&](double k) { s += "40\n" + Num(k / pieces) + "\n"; };
    knot(0), knot(0), knot(0);
    for (int i = 1; i < pieces; ++i) knot(i), knot(i);
    knot(pieces), knot(pieces), knot(pieces);
    for (const auto& p : points) s += "41\n" + Num(p[2]) + "\n";
    for (const auto& p : points) s += "10\n" + Num(p[0]) + "\n20\n" + Num(p[1]) + "\n30\n0\n";
    return s;
}

std::string RoundedDxf(double x0, double y0, double w, double h, const std::array<double, 4>& r, double cx, double cy,
                       double circle) {
    const double k = std::sqrt(0.5);
    std::vector<std::array<double, 3>> pts;
    auto line = [&](double x, double y) {
        const auto& a = pts.back();
        pts.push_back({(a[0] + x) / 2, (a[1] + y) / 2, 1});
        pts.push_back({x, y, 1});
    };
    auto arc = [&](double cornerX, double cornerY, double x, double y) {
        pts.push_back({cornerX, cornerY, k});
        pts.push_back({x, y, 1});
    };
    pts.push_back({x0 + r[3], y0, 1});
    line(x0 + w - r[0], y0), arc(x0 + w, y0, x0 + w, y0 + r[0]);
    line(x0 + w, y0 + h - r[1]), arc(x0 + w, y0 + h, x0 + w - r[1], y0 + h);
    line(x0 + r[2], y0 + h), arc(x0, y0 + h, x0, y0 + h - r[2]);
    line(x0, y0 + r[3]), arc(x0, y0, x0 + r[3], y0);
    std::vector<std::array<double, 3>> ring = {{cx + circle, cy, 1}};
    auto ringArc = [&](double cornerX, double cornerY, double x, double y) {
        ring.push_back({cornerX, cornerY, k});
        ring.push_back({x, y, 1});
    };
    ringArc(cx + circle, cy + circle, cx, cy + circle);
    ringArc(cx - circle, cy + circle, cx - circle, cy);
    ringArc(cx - circle, cy - circle, cx, cy - circle);
    ringArc(cx + circle, cy - circle, cx + circle, cy);
    return "0\nSECTION\n2\nENTITIES\n" + DxfSpline(pts) + DxfSpline(ring) + "0\nENDSEC\n0\nEOF\n";
}

// A regular polygon of n sides around (cx, cy): corners of 360/n degrees
// that the bender makes rather than the cutter.
std::string PltPolygon(double cx, double cy, double radius, int n) {
    auto p = [&](int i) {
        const double a = 2 * 3.14159265358979 * i / n;
        return std::to_string(std::lround((cx + radius * std::cos(a)) * 40)) + "," +
               std::to_string(std::lround((cy + radius * std::sin(a)) * 40));
    };
    std::string s = "IN;PU" + p(0) + ";PD";
    for (int i = 1; i <= n; ++i) s += p(i % n) + (i < n ? "," : ";");
    return s + "PU;";
}

}  // namespace

// ---- set-up and steps ---------------------------------------------------------

Setup Setup::Random(Rng& rng) {
    Setup s;
    s.cutter = rng.Chance(50) ? 0 : 1;
    s.detect = rng.Chance(80) ? 0 : 1;
    s.axisA = rng.Chance(70) ? 0 : 1;
    s.benders = rng.Below(3);
    s.encoder = rng.Chance(50) ? 1 : 0;
    s.encoderOn = s.encoder && rng.Chance(70) ? 1 : 0;
    s.encoderZero = rng.Chance(8) ? 1 : 0;
    s.seekBefore = rng.Chance(30) ? 1 : 0;
    s.feedSeek = rng.Chance(20) ? 1 : 0;
    s.feedSwitch = rng.Chance(80) ? 1 : 0;
    s.testMode = rng.Chance(20) ? 1 : 0;
    s.splicePause = rng.Chance(25) ? 1 + rng.Below(20) : 0;
    s.level = rng.Below(3);
    s.sensorTicks = rng.Chance(10) ? -1 : rng.Below(12);
    s.slip = rng.Chance(40) ? rng.Below(31) : 0;
    s.cs7 = rng.Chance(20) ? 1 : 0;
    s.group = rng.Chance(40) ? 1 : 0;
    // Drawn from a copy, so that the steps of a seed stay those it made
    // before the field was there.
    Rng faults = rng;
    faults.Next();
    s.encoderFault = s.encoder && faults.Chance(20) ? 1 + faults.Below(3) : 0;
    return s;
}

std::string Setup::Text() const {
    std::string s;
    for (const Field& f : kFields) s += (s.empty() ? "" : " ") + std::string(f.name) + "=" + std::to_string(this->*f.member);
    return s;
}

std::optional<Setup> Setup::Parse(std::string_view text) {
    Setup s;
    text = Trim(text);
    while (!text.empty()) {
        const size_t end = text.find(' ');
        const std::string_view word = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : Trim(text.substr(end));
        const size_t eq = word.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        const Field* field = nullptr;
        for (const Field& f : kFields)
            if (word.substr(0, eq) == f.name) field = &f;
        const auto v = ToInt(word.substr(eq + 1));
        if (!field || !v) return std::nullopt;
        s.*(field->member) = *v;
    }
    return s;
}

std::string Step::Text() const { return arg == 0 ? name : name + " " + std::to_string(arg); }

std::optional<Step> Step::Parse(std::string_view text) {
    text = Trim(text);
    if (text.empty()) return std::nullopt;
    Step s;
    const size_t sp = text.rfind(' ');
    if (sp != std::string_view::npos) {
        if (auto v = ToInt(Trim(text.substr(sp + 1)))) {
            s.name = std::string(Trim(text.substr(0, sp)));
            s.arg = *v;
            return s;
        }
    }
    s.name = std::string(text);
    return s;
}

std::string StepsText(const std::vector<Step>& steps) {
    std::string s;
    for (const Step& st : steps) s += (s.empty() ? "" : "; ") + st.Text();
    return s;
}

std::optional<std::vector<Step>> ParseSteps(std::string_view text) {
    std::vector<Step> steps;
    while (!Trim(text).empty()) {
        const size_t end = text.find(';');
        auto step = Step::Parse(text.substr(0, end));
        if (!step) return std::nullopt;
        steps.push_back(*step);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return steps;
}

// ---- the world ------------------------------------------------------------------

World::World(const Setup& setup)
    : program_(std::make_unique<Program>(op)), m_(std::make_unique<MainFormModel>(*program_)), setup_(setup) {
    sim_ = std::make_unique<testing::SimCard>(program_->ctx.card);
    if (!sim_->Usable()) return;
    namespace fs = std::filesystem;
    const fs::path sample = VELBEND_SAMPLE_DIR;
    std::error_code ec;
    fs::copy(sample, home.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    home.Write("square.plt", "IN;" + PltSquare(10, 10, 100) + "PU;");
    home.Write("squares.plt", "IN;" + PltSquare(10, 10, 120) + "PU0,0;" + PltSquare(50, 50, 40) + "PU;");
    // A 50 mm square cut at Z-1 (the operator names the plane on opening).
    // Arcs tighter than the bend-to-slot radius (slotted) and wider (bent),
    // a circle slotted whole; a polygon whose corners are bent; letters of
    // cubic splines.
    home.Write("rounded.dxf", RoundedDxf(0, 0, 120, 80, {8, 40, 8, 40}, 60, 40, 10));
    home.Write("polygon.plt", PltPolygon(60, 60, 50, 20));
    fs::copy_file(fs::path(VELBEND_OUTLINE_DIR) / "letters_cubic.dxf", home.path() / "letters.dxf",
                  fs::copy_options::overwrite_existing, ec);
    home.Write("square.nc", "G90 G21\r\nG00 Z5\r\nG00 X0 Y0\r\nG01 Z-1 F100\r\nG01 X50 Y0\r\nG01 X50 Y50\r\n"
                            "G01 X0 Y50\r\nG01 X0 Y0\r\nG00 Z5\r\nM30\r\n");

    // The groups' tables with this machine's options, as the maker saved
    // them; the second group is another machine.
    for (int g = 0; g < kGroups; ++g) {
        ParamStore st;
        RecordingOperator quiet;
        LoadSysPara(st, 0, quiet);
        SysPara& t = st.gSysParaTable;
        t.gCutterUpDownMode = static_cast<int16_t>(setup.cutter);
        t.gPositionDetectMode = static_cast<int16_t>(setup.detect);
        t.gAxisKindA = static_cast<int16_t>(setup.axisA);
        t.gBendMechanisms = static_cast<int16_t>(setup.benders);
        t.gXEncoderPort = setup.encoder;
        t.gEncoderEquiv = setup.encoderZero ? 0 : 100;
        t.gFeedRetract = setup.feedSwitch ? 0 : 5;
        t.gSplicePause = static_cast<int16_t>(setup.splicePause);
        t.gPositionDetectDelay = 150;
        t.gBendMechDelay = 90;
        t.gTestLength = 200;  // a short feed test
        t.gRunMode = static_cast<int16_t>(setup.testMode);
        if (g == 1) {
            // Another machine: its feed, its distance to the cutter, the arc
            // compensations of its strip.
            t.gAxisPara[1].PulseEquivalent = 50;
            // Its encoder counts the feed's pulses as the first machine's
            // does: its equivalent is the feed's.
            if (t.gEncoderEquiv != 0) t.gEncoderEquiv = 50;
            t.gBendToSlotDist += 15;
            t.gArcCompP = 0.5;
            t.gArcCompN = 0.3;
        }
        home.Write(SysParaFileName(g), SysParaBytes(t));
        if (g > 0) {
            // Its curvature tables bend a fifth harder; its pat spacings are the sample's.
            home.Write("SysPara/pfjj_" + std::to_string(g) + ".ini", home.Read("SysPara/pfjj_0.ini"));
            for (const bool positive : {true, false}) {
                WanFuTable rows{};
                int16_t last = -1;
                ParseWanFu(home.Read(positive ? WanFuPFileName(0) : WanFuNFileName(0)), rows, last);
                for (int i = 0; i <= last; ++i) rows[static_cast<std::size_t>(i)].Value *= 1.2;
                home.Write(positive ? WanFuPFileName(g) : WanFuNFileName(g), WanFuBytes(rows, last));
            }
        }
    }
    // Both groups named in ParaGroup.ini (line 3: system group 2, line 14:
    // curvature group 2); lines 1 and 12 name the groups in force.
    {
        std::string groups = home.Read("ParaGroup.ini"), out;
        size_t at = 0;
        for (int line = 1; at < groups.size(); ++line) {
            size_t end = groups.find("\r\n", at);
            end = end == std::string::npos ? groups.size() : end + 2;
            const std::string current = " " + std::to_string(1 + (setup.group == 1 ? 1 : 0)) + " \r\n";
            out += line == 3 ? "machine B\r\n" : line == 14 ? "sheet B\r\n" : line == 1 || line == 12 ? current
                                                                                  : groups.substr(at, end - at);
            at = end;
        }
        home.Write("ParaGroup.ini", out);
    }
    // The main window's boxes as the last session left them: pieces, splice,
    // end feed, the two seek-zero options, the encoder, the offset.
    home.Write("formtext.ini", "20\r\n10\r\n30\r\n " + std::to_string(setup.seekBefore) + " \r\n " +
                                   std::to_string(setup.encoderOn) + " \r\n0\r\n " + std::to_string(setup.feedSeek) +
                                   " \r\n 1 \r\n");

    // The machine's surroundings: zero switches that searches find, a
    // cylinder cutter standing back, the encoder's slip.
    sim_->PlaceSwitch(2, 1, 500, INT32_MAX);           // feed: found going forward, left going back
    for (int n = 2; n <= 4; ++n) sim_->PlaceSwitch(6 * (n - 1) + 2, n, INT32_MIN, -500);
    if (setup.cutter == 0) sim_->SetInput(17, 0);
    SetSlip(setup.slip);
    Start();
    op.messages.clear();
}

World::~World() { DropDialogs(); }

void World::SetSlip(int percent) {
    static constexpr double kShare[] = {1, 0.01, 0.001, -1};
    const double share = setup_.encoderFault >= 0 && setup_.encoderFault <= 3 ? kShare[setup_.encoderFault] : 1;
    encoderRatio_ = share * (1 - percent / 100.0);
    sim_->SetEncoderRatio(encoderRatio_);
}

void World::Start() {
    program_->ctx.secondBuild = setup_.cs7 != 0;
    Form_Load(*m_);
    GLResize(*program_, m_->drawing, 756, 532);
    Form_Activate(*m_);
    program_->params.gUserLevel = static_cast<int16_t>(setup_.level);
    ++starts_;
}

void World::Restart() {
    if (!closed_) return;
    // The program folder is mended before the program starts again.
    LockTableFile(false);
    DropDialogs();
    held.clear();
    homeBy.clear();
    programBy.clear();
    m_.reset();
    program_ = std::make_unique<Program>(op);
    m_ = std::make_unique<MainFormModel>(*program_);
    closed_ = false;
    open_ = Win::Main;
    Start();
}

void World::DropDialogs() {
    gy1.reset();
    gy.reset();
    jjz.reset();
    sb.reset();
    wfb.reset();
    io.reset();
    yh.reset();
    about.reset();
}

std::string World::OutlinePath(int k) const {
    static const char* const names[kOutlines] = {"square.plt",  "squares.plt", "letter_e.dxf", "square.nc",
                                                 "rounded.dxf", "polygon.plt", "letters.dxf"};
    return (home.path() / names[((k % kOutlines) + kOutlines) % kOutlines]).string();
}

bool World::AxisMoving(int n) {
    int32_t s = 0;
    ctx().card.get_status(0, n, &s);
    return s != 0;
}

bool World::AnyAxisMoving() {
    for (int n = 1; n <= 4; ++n)
        if (AxisMoving(n)) return true;
    int32_t s = 0;
    ctx().card.get_inp_status(0, &s);
    return s == 1 || ctx().card.read_fifo_empty(0) == 0;
}

int32_t World::CommandPos(int n) {
    int32_t p = 0;
    ctx().card.get_command_pos(0, n, &p);
    return p;
}

void World::Surroundings() {
    if (setup_.cutter != 0) return;
    // The cylinder moves while exactly one of its valves is open; its
    // sensors answer after the stroke's time (or never).
    const uint32_t out = Outputs();
    const int dir = (out & 2u) && !(out & 4u) ? 1 : (out & 4u) && !(out & 2u) ? -1 : 0;
    if (dir != strokeDir_) {
        strokeDir_ = dir;
        strokeTicks_ = dir == 0 ? -1 : 0;
        if (dir != 0) {
            SetInput(16, 1);
            SetInput(17, 1);
        }
    }
    if (strokeTicks_ < 0) return;
    if (setup_.sensorTicks >= 0 && strokeTicks_ >= setup_.sensorTicks) {
        SetInput(dir > 0 ? 16 : 17, 0);
        strokeTicks_ = -1;
        return;
    }
    ++strokeTicks_;
}

void World::Tick(const std::function<void()>& beforeLoop) {
    sim_->Advance(30);
    ++now_;
    Surroundings();
    if (beforeLoop) beforeLoop();
    if (closed_) return;
    op.inTick = true;
    Timer2_Timer(ctx());
    if (now_ % 7 == 0) {
        if (gy1) gy1->Timer1_Timer();
        if (jjz) jjz->Timer1_Timer();
        if (io) io->Timer1_Timer();
    }
    op.inTick = false;
}

// ---- windows --------------------------------------------------------------------

void World::ReleaseHeld(Win w) {
    switch (w) {
        case Win::Main: ReleaseJogs(*m_); break;
        case Win::Gy1: if (gy1) gy1->ReleaseJogs(); break;
        case Win::Jjz: if (jjz) jjz->ReleaseJogs(); break;
        case Win::Sb: if (sb) sb->ReleaseJogs(); break;
        case Win::Wfb: if (wfb) wfb->ReleaseJogs(); break;
        default: break;
    }
    // Held buttons are recorded under their release command.
    std::erase_if(held, [w](const std::string& h) {
        const auto step = Step::Parse(h);
        const Command* c = step ? FindCommand(step->name) : nullptr;
        return c && c->win == w;
    });
}

void World::CloseDialog() {
    if (open_ == Win::Main) return;
    ReleaseHeld(open_);
    DropDialogs();
    open_ = Win::Main;
    DialogClosed(*m_, tableBeforeDialog_);
}

void World::Show(Win w) {
    if (w == open_ || w == Win::Env) return;
    CloseDialog();
    if (w == Win::Main) return;
    // The main window loses the focus: its held screen buttons let go.
    tableBeforeDialog_ = DialogOpening(*m_);
    ReleaseHeld(Win::Main);
    open_ = w;
    Program& p = *program_;
    switch (w) {
        case Win::Gy1: gy1.emplace(p); gy1->Form_Load(); break;
        case Win::Gy: gy.emplace(p); gy->Form_Load(); break;
        case Win::Jjz: jjz.emplace(p); jjz->Form_Load(); break;
        case Win::Sb: sb.emplace(p); sb->Form_Load(); break;
        case Win::Wfb: wfb.emplace(p); wfb->Form_Load(); break;
        case Win::Io: io.emplace(p); io->Form_Load(); break;
        case Win::Yh: yh.emplace(p); yh->Form_Load(); break;
        case Win::About: about = AboutLabels(ReadAboutInfo(), p.params.gLanguage); break;
        default: break;
    }
}

void World::CloseWindow() {
    if (closed_) return;
    CloseDialog();
    // The window closes: its held screen buttons let go, then shut-down.
    ReleaseHeld(Win::Main);
    Form_Unload(*m_);
    closed_ = true;
}

// ---- the parameter file -------------------------------------------------------------

void World::LockTableFile(bool locked) {
    namespace fs = std::filesystem;
    if (locked == locked_) return;
    if (locked) lockedGroup_ = program_->params.gSysGroup;
    const fs::path file = home / SysParaFileName(lockedGroup_);
    std::error_code ec;
    if (locked) {
        lockedBytes_ = home.Read(SysParaFileName(lockedGroup_));
        fs::remove(file, ec);
        fs::create_directories(file, ec);
    } else {
        fs::remove_all(file, ec);
        home.Write(SysParaFileName(lockedGroup_), lockedBytes_);
    }
    locked_ = locked;
}

std::string World::TableFile() {
    if (locked_ && lockedGroup_ == program_->params.gSysGroup) return lockedBytes_;
    return home.Read(SysParaFileName(program_->params.gSysGroup));
}

}  // namespace velbend::sequences
