// An in-process model of the motion card for the machine tests: four axes
// moving at constant speed in a manual clock (1 ms steps), stop on the zero
// switch, an interpolation FIFO, inputs with switches placed at travelled
// axis positions (as on the card, setting the counters does not move a
// switch), outputs, a slipping feed encoder, and a log of every call.
// It is bound into a Card with Card::Bind, so every handler runs unchanged
// against it.  The run tests use it for what only a call log shows (which
// entries were called with which arguments); the same behaviour is run on
// the card library's simulated card as well.
#pragma once
#include <array>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "velbend/machine/card.h"

namespace velbend::testing {

class CardModel {
public:
    struct Call {
        std::string name;
        std::array<int32_t, 6> a{};
        int argc = 0;
    };
    struct Axis {
        int64_t cmd = 0;
        double act = 0;
        int64_t phys = 0;  // where the axis has travelled; switches sit on this
        int32_t startv = 0, speed = 0, acc = 0;
        bool driving = false;
        int64_t left = 0;  // pulses still to go (signed)
        double carry = 0;
        bool stop0 = false;
        int32_t stop0Logic = 0;
    };
    struct Switch {
        int bit, axis;
        int64_t from, to;
        int level;
    };
    struct Segment {
        int64_t dx, dy;
        int32_t speed;
    };

    static CardModel& Get() {
        static CardModel m;
        return m;
    }

    void Reset() { *this = CardModel(); }

    // Binds the model into `card`, after a Reset.
    static void Install(Card& card) {
        Get().Reset();
        CardEntries e;
        e.initial = [] { return Get().Log("initial"), 1; };
        e.get_hardware_ver = [](int32_t) { return 3.2; };
        e.set_startv = [](int32_t c, int32_t a, int32_t v) { return Get().SetAxis("set_startv", c, a, v, &Axis::startv); };
        e.set_speed = [](int32_t c, int32_t a, int32_t v) { return Get().SetAxis("set_speed", c, a, v, &Axis::speed); };
        e.set_acc = [](int32_t c, int32_t a, int32_t v) { return Get().SetAxis("set_acc", c, a, v, &Axis::acc); };
        e.set_command_pos = [](int32_t c, int32_t a, int32_t p) {
            auto& m = Get();
            m.Log("set_command_pos", {c, a, p});
            if (!m.Ok(c, a)) return 1;
            m.ax[a].cmd = p;
            return 0;
        };
        e.set_actual_pos = [](int32_t c, int32_t a, int32_t p) {
            auto& m = Get();
            m.Log("set_actual_pos", {c, a, p});
            if (!m.Ok(c, a)) return 1;
            m.ax[a].act = p;
            return 0;
        };
        e.set_stop0_mode = [](int32_t c, int32_t a, int32_t en, int32_t lg) {
            auto& m = Get();
            m.Log("set_stop0_mode", {c, a, en, lg});
            if (!m.Ok(c, a)) return 1;
            m.ax[a].stop0 = en != 0;
            m.ax[a].stop0Logic = lg;
            return 0;
        };
        e.get_status = [](int32_t c, int32_t a, int32_t* o) {
            auto& m = Get();
            if (!m.Ok(c, a) || !o) return 1;
            *o = (m.ax[a].driving || (m.interp && (a == 1 || a == 2))) ? 1 : 0;
            return 0;
        };
        e.get_command_pos = [](int32_t c, int32_t a, int32_t* o) {
            auto& m = Get();
            if (!m.Ok(c, a) || !o) return 1;
            *o = static_cast<int32_t>(m.ax[a].cmd);
            return 0;
        };
        e.get_actual_pos = [](int32_t c, int32_t a, int32_t* o) {
            auto& m = Get();
            if (!m.Ok(c, a) || !o) return 1;
            *o = static_cast<int32_t>(m.ax[a].act < 0 ? m.ax[a].act - 0.5 : m.ax[a].act + 0.5);
            return 0;
        };
        e.get_speed = [](int32_t c, int32_t a, int32_t* o) {
            auto& m = Get();
            if (!m.Ok(c, a) || !o) return 1;
            *o = m.ax[a].driving ? m.Rate(m.ax[a]) : 0;
            return 0;
        };
        e.pmove = [](int32_t c, int32_t a, int32_t p) {
            auto& m = Get();
            m.Log("pmove", {c, a, p});
            if (!m.Ok(c, a)) return 1;
            Axis& x = m.ax[a];
            x.left = p;
            x.carry = 0;
            x.driving = p != 0 && !m.StopActive(a);
            if (!x.driving) x.left = 0;
            return 0;
        };
        e.dec_stop = [](int32_t c, int32_t a) {
            auto& m = Get();
            m.Log("dec_stop", {c, a});
            if (!m.Ok(c, a)) return 1;
            m.ax[a].driving = false;
            m.ax[a].left = 0;
            return 0;
        };
        e.sudden_stop = [](int32_t c, int32_t a) {
            auto& m = Get();
            m.Log("sudden_stop", {c, a});
            if (!m.Ok(c, a)) return 1;
            m.ax[a].driving = false;
            m.ax[a].left = 0;
            return 0;
        };
        e.inp_move2 = [](int32_t c, int32_t a1, int32_t a2, int32_t p1, int32_t p2) {
            auto& m = Get();
            m.Log("inp_move2", {c, a1, a2, p1, p2});
            if (c != 0 || a1 != 1 || a2 != 2) return 1;
            m.fifo.push_front(Segment{p1, p2, m.ax[1].speed * 2});
            return 0;
        };
        e.fifo_inp_move2 = [](int32_t c, int32_t a1, int32_t a2, int32_t p1, int32_t p2, int32_t s) {
            auto& m = Get();
            m.Log("fifo_inp_move2", {c, a1, a2, p1, p2, s});
            if (c != 0 || a1 != 1 || a2 != 2) return 1;
            m.fifo.push_back(Segment{p1, p2, s});
            return 0;
        };
        e.reset_fifo = [](int32_t c) {
            auto& m = Get();
            m.Log("reset_fifo", {c});
            m.fifo.clear();
            return 0;
        };
        e.read_fifo_empty = [](int32_t) { return Get().fifo.empty() ? 1 : 0; };
        e.get_inp_status = [](int32_t, int32_t* o) {
            if (!o) return 1;
            *o = Get().interp ? 1 : 0;
            return 0;
        };
        e.read_bit = [](int32_t, int32_t b) { return Get().Input(b); };
        e.write_bit = [](int32_t c, int32_t b, int32_t v) {
            auto& m = Get();
            m.Log("write_bit", {c, b, v});
            if (b < 0 || b > 31) return 1;
            if (v) m.outputs |= 1u << b;
            else m.outputs &= ~(1u << b);
            return 0;
        };
        e.get_out = [](int32_t, int32_t b) {
            if (b < 0 || b > 31) return 0;
            return static_cast<int32_t>((Get().outputs >> b) & 1u);
        };
        card.Bind(e, "card model");
    }

    // ---- control -------------------------------------------------------
    void SetInput(int bit, int level) { inputs[static_cast<std::size_t>(bit)] = level; }
    // A switch pulling input `bit` to `level` while `axis` has travelled to
    // [from, to] (0: where it stood at Install).
    void PlaceSwitch(int bit, int axis, int64_t from, int64_t to, int level = 0) {
        switches.push_back(Switch{bit, axis, from, to, level});
    }
    void ClearSwitches() { switches.clear(); }
    // The feed encoder counts (1 - slip) of every commanded pulse.
    void SetSlip(double s) { slip = s; }
    void Advance(int ms) {
        for (int i = 0; i < ms; ++i) Step1ms();
    }
    bool AnyMoving() const {
        for (int a = 1; a <= 4; ++a)
            if (ax[a].driving) return true;
        return interp || !fifo.empty();
    }
    int Input(int b) const {
        if (b < 0 || b >= 64) return 1;
        for (const auto& s : switches)
            if (s.bit == b && ax[s.axis].phys >= s.from && ax[s.axis].phys <= s.to) return s.level;
        return inputs[static_cast<std::size_t>(b)];
    }
    // Calls named `name` since the last ClearLog.
    std::vector<Call> Calls(const std::string& name) const {
        std::vector<Call> r;
        for (const auto& c : log)
            if (c.name == name) r.push_back(c);
        return r;
    }
    bool Called(const std::string& name, std::vector<int32_t> args) const {
        for (const auto& c : log) {
            if (c.name != name || c.argc < static_cast<int>(args.size())) continue;
            bool same = true;
            for (std::size_t i = 0; i < args.size(); ++i) same = same && c.a[i] == args[i];
            if (same) return true;
        }
        return false;
    }
    void ClearLog() { log.clear(); }
    // The calls since the last ClearLog, in order, as "name(a,b,...)".
    std::vector<std::string> Trace() const {
        std::vector<std::string> r;
        for (const auto& c : log) {
            std::string t = c.name + "(";
            for (int i = 0; i < c.argc; ++i) {
                if (i > 0) t += ",";
                t += std::to_string(c.a[static_cast<std::size_t>(i)]);
            }
            r.push_back(t + ")");
        }
        return r;
    }

    std::array<Axis, 5> ax{};
    std::array<int, 64> inputs = Ones();
    std::vector<Switch> switches;
    uint32_t outputs = 0;
    std::deque<Segment> fifo;
    bool interp = false;
    Segment cur{0, 0, 0};
    int64_t curDone = 0;
    double curCarry = 0;
    double slip = 0;
    std::vector<Call> log;
    int64_t nowMs = 0;

private:
    static std::array<int, 64> Ones() {
        std::array<int, 64> a{};
        a.fill(1);
        return a;
    }
    bool Ok(int32_t c, int32_t a) const { return c == 0 && a >= 1 && a <= 4; }
    void Log(const char* n, std::initializer_list<int32_t> args = {}) {
        Call c;
        c.name = n;
        for (int32_t v : args) c.a[static_cast<std::size_t>(c.argc++)] = v;
        log.push_back(c);
    }
    int32_t SetAxis(const char* n, int32_t c, int32_t a, int32_t v, int32_t Axis::*field) {
        Log(n, {c, a, v});
        if (!Ok(c, a)) return 1;
        ax[a].*field = v;
        return 0;
    }
    static int32_t Rate(const Axis& x) { return x.speed > x.startv ? x.speed : (x.startv > 0 ? x.startv : 1000); }
    bool StopActive(int a) const {
        const Axis& x = ax[a];
        return x.stop0 && Input(6 * (a - 1) + 2) == x.stop0Logic;
    }
    void MoveAxis(int a, int64_t d) {
        ax[a].cmd += d;
        ax[a].phys += d;
        ax[a].act += a == 1 ? static_cast<double>(d) * (1.0 - slip) : static_cast<double>(d);
    }
    void Step1ms() {
        ++nowMs;
        for (int a = 1; a <= 4; ++a) {
            Axis& x = ax[a];
            if (!x.driving) continue;
            x.carry += Rate(x) / 1000.0;
            int64_t n = static_cast<int64_t>(x.carry);
            x.carry -= static_cast<double>(n);
            int64_t mag = x.left < 0 ? -x.left : x.left;
            if (n > mag) n = mag;
            int64_t sgn = x.left < 0 ? -1 : 1;
            for (int64_t i = 0; i < n; ++i) {
                MoveAxis(a, sgn);
                x.left -= sgn;
                if (StopActive(a)) {
                    x.left = 0;
                    break;
                }
            }
            if (x.left == 0) x.driving = false;
        }
        // Interpolation: the larger share moves at half the speed word.
        if (!interp && !fifo.empty()) {
            cur = fifo.front();
            fifo.pop_front();
            curDone = 0;
            curCarry = 0;
            interp = true;
        }
        if (interp) {
            int64_t len = std::max(std::llabs(cur.dx), std::llabs(cur.dy));
            curCarry += (cur.speed > 0 ? cur.speed : 2000) / 2000.0;
            int64_t n = static_cast<int64_t>(curCarry);
            curCarry -= static_cast<double>(n);
            int64_t to = std::min(len, curDone + n);
            if (len > 0) {
                int64_t x0 = cur.dx * curDone / len, y0 = cur.dy * curDone / len;
                int64_t x1 = cur.dx * to / len, y1 = cur.dy * to / len;
                MoveAxis(1, x1 - x0);
                MoveAxis(2, y1 - y0);
            }
            curDone = to;
            if (curDone >= len) interp = false;
        }
    }
};

}  // namespace velbend::testing
