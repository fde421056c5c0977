// A fresh program folder for the main window's model, seeded with one
// parameter group, and a card binding that records every call.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "velbend/common/numtext.h"
#include "velbend/common/textfile.h"
#include "velbend/forms/main_form.h"
#include "velbend/forms/program.h"
#include "velbend/params/sysfile.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend::testing {

// Card entries that log "name(args)" and answer initial() with `cards`.
struct CallLog {
    static std::vector<std::string>& Calls() {
        static std::vector<std::string> calls;
        return calls;
    }
    static int32_t& Cards() {
        static int32_t cards = 1;
        return cards;
    }
    static int32_t& Out1() {
        static int32_t v = 0;
        return v;
    }
    static int32_t& Out2() {
        static int32_t v = 0;
        return v;
    }
    static std::string Args(std::initializer_list<int32_t> a) {
        std::string s;
        for (int32_t v : a) s += (s.empty() ? "" : ",") + std::to_string(v);
        return s;
    }
    static void Install(Card& card, int32_t cards) {
        Calls().clear();
        Cards() = cards;
        Out1() = Out2() = 0;
        CardEntries e;
        e.initial = [] { Calls().push_back("initial()"); return Cards(); };
        e.set_command_pos = [](int32_t c, int32_t a, int32_t v) {
            Calls().push_back("set_command_pos(" + Args({c, a, v}) + ")");
            return 0;
        };
        e.set_actual_pos = [](int32_t c, int32_t a, int32_t v) {
            Calls().push_back("set_actual_pos(" + Args({c, a, v}) + ")");
            return 0;
        };
        e.set_startv = [](int32_t c, int32_t a, int32_t v) {
            Calls().push_back("set_startv(" + Args({c, a, v}) + ")");
            return 0;
        };
        e.set_acc = [](int32_t c, int32_t a, int32_t v) {
            Calls().push_back("set_acc(" + Args({c, a, v}) + ")");
            return 0;
        };
        e.get_out = [](int32_t c, int32_t bit) {
            Calls().push_back("get_out(" + Args({c, bit}) + ")");
            return bit == 1 ? Out1() : bit == 2 ? Out2() : 0;
        };
        card.Bind(e, "call log");
    }
};

class MainModelTest : public ::testing::Test {
protected:
    MainModelTest() : program(op), m(program) {
        program.ctx.secondBuild = false;
        CallLog::Install(program.ctx.card, 1);
        sys.gXEncoderPort = 1;
        sys.gBendMechanisms = 1;
        sys.gCutterUpDownMode = 1;
        for (int n = 1; n <= 4; ++n) {
            auto& a = sys.gAxisPara[static_cast<std::size_t>(n)];
            a.PulseEquivalent = 100;
            a.ManualFeedrate = 1000;
            a.Acceleration = 1;
        }
    }

    // ParaGroup.ini with the given group numbers (counted from 1) and names.
    void WriteParaGroup(int sysGroup, int wanFuGroup, const std::string& sysName = "S",
                        const std::string& wanFuName = "W") {
        TextBuilder b;
        b.Line(Str(sysGroup) + " ");
        for (int i = 0; i < 10; ++i) b.LineUtf8(sysName + std::to_string(i));
        b.Line(Str(wanFuGroup) + " ");
        for (int i = 0; i < 10; ++i) b.LineUtf8(wanFuName + std::to_string(i));
        home.Write("ParaGroup.ini", b.bytes());
    }
    void WriteSys(int group) { home.Write(SysParaFileName(group), SysParaBytes(sys)); }
    void WriteCurvature(int group, int rows) {
        std::string b;
        for (int i = 0; i < rows; ++i) b += Str(10.0 + i) + ", " + Str(300.0 - i) + "\r\n";
        home.Write("SysPara/wanfubiaoP_" + std::to_string(group) + ".ini", b);
        home.Write("SysPara/wanfubiaoN_" + std::to_string(group) + ".ini", b);
    }
    // A complete group 0 (file counts 1).
    void SeedHome() {
        WriteParaGroup(1, 1);
        WriteSys(0);
        WriteCurvature(0, 3);
        home.Write("SysPara/pfjj_0.ini", " 40            1 \r\n 0             4 \r\n");
    }
    void Load() { Form_Load(m); }

    TempHome home;
    RecordingOperator op;
    Program program;
    MainFormModel m;
    SysPara sys;  // what SeedHome writes as SYS_0.ini
};

}  // namespace velbend::testing
