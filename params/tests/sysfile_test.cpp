#include "velbend/params/sysfile.h"

#include "velbend/common/codepage.h"
#include "velbend/common/textfile.h"
#include "velbend/testsupport/tempdir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <sys/resource.h>

using namespace velbend;
using velbend::testing::TempHome;
using velbend::testing::TestData;

namespace {

std::string Data(const std::string& name) {
    auto b = ReadFileBytes(TestData(name));
    EXPECT_TRUE(b.has_value()) << name;
    return b.value_or("");
}

std::string FirstLines(const std::string& bytes, int n) {
    size_t pos = 0;
    for (int i = 0; i < n; ++i) pos = bytes.find("\r\n", pos) + 2;
    return bytes.substr(0, pos);
}

struct TranCall {
    int calls = 0;
    double conDet = 0, lineDis = 0, pj = 0, half = 0, sixth = 0;
    int16_t comp = 0;
    TranParasFn fn() {
        return [this](double a, double b, double c, int16_t d, double e, double f) {
            ++calls; conDet = a; lineDis = b; pj = c; comp = d; half = e; sixth = f;
        };
    }
};

void ExpectSameTable(SysPara& a, SysPara& b) {
    for (const auto& f : SysParaFields()) {
        auto ra = f.ref(a), rb = f.ref(b);
        std::visit([&](auto pa) { EXPECT_EQ(*pa, *std::get<decltype(pa)>(rb)) << "line " << f.line; }, ra);
        EXPECT_EQ(a.desc[f.line], b.desc[f.line]) << "line " << f.line;
    }
}

}  // namespace

TEST(SysParaFile, DescriptorTableCoversEveryLineOnce) {
    const auto& fields = SysParaFields();
    SysPara t;
    std::set<const void*> seen;
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i].line, static_cast<int>(i) + 1);
        std::visit([&](auto p) { EXPECT_TRUE(seen.insert(p).second) << fields[i].line; }, fields[i].ref(t));
    }
    EXPECT_EQ(fields[31].kind, SysParaField::Kind::Long);      // axis 2 AutoFeedrate
    EXPECT_EQ(fields[24].kind, SysParaField::Kind::Integer);   // axis 1 AutoFeedrate
    EXPECT_EQ(fields[38].kind, SysParaField::Kind::Integer);   // axis 3 AutoFeedrate
    EXPECT_EQ(fields[45].kind, SysParaField::Kind::Integer);   // axis 4 AutoFeedrate
    EXPECT_EQ(fields[63].kind, SysParaField::Kind::String);
}

TEST(SysParaFile, GoldenFileReadsAndWritesTheSameBytes) {
    const std::string golden = Data("SYS_golden.ini");
    SysPara t;
    auto r = ParseSysPara(golden, t);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.lines, 90);
    EXPECT_DOUBLE_EQ(t.gSlotToBendThreshold, 135);
    EXPECT_DOUBLE_EQ(t.gPatBendRThreshold, 0.5);
    EXPECT_DOUBLE_EQ(t.gStartLenComp, -2.5);
    EXPECT_DOUBLE_EQ(t.gConDet, 1e-5);
    EXPECT_DOUBLE_EQ(t.gLineDis, 1.5e20);
    EXPECT_EQ(t.gComp, 3);
    EXPECT_DOUBLE_EQ(t.gAxisPara[1].PulseEquivalent, 1000.125);
    EXPECT_EQ(t.gAxisPara[1].SeekZeroFeedrate, -1199);
    EXPECT_EQ(t.gAxisPara[2].AutoFeedrate, 100000);
    EXPECT_EQ(t.gAxisPara[4].AutoFeedrate, 20004);
    EXPECT_EQ(t.gSlotLetters, "UDPN");
    EXPECT_EQ(GbkToUtf8(t.desc[64]), "开槽顺序");
    EXPECT_EQ(GbkToUtf8(t.desc[1]), "开槽转弯曲阀值");
    EXPECT_DOUBLE_EQ(t.gBendToSlotDist, -123456.789012345);
    EXPECT_DOUBLE_EQ(t.gPatBackAngle, 1e15);
    EXPECT_EQ(SysParaBytes(t), golden);

    // Written by the save: run mode as 0, the table keeps its run mode.
    TempHome home;
    RecordingOperator op;
    ParamStore st;
    st.gSysParaTable = t;
    st.gSysParaTable.gRunMode = 1;
    TranCall tran;
    ASSERT_TRUE(SaveSysPara(st, 3, 0, op, tran.fn()));
    EXPECT_EQ(home.Read("SysPara/SYS_3.ini"), golden);
    EXPECT_EQ(st.gSysParaTable.gRunMode, 1);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, "参数保存成功！");
    EXPECT_EQ(op.messages[0].title, "操作提示");
    EXPECT_EQ(tran.calls, 1);
    EXPECT_DOUBLE_EQ(tran.conDet, 1e-5);
    EXPECT_DOUBLE_EQ(tran.lineDis, 1.5e20);
    EXPECT_DOUBLE_EQ(tran.pj, 30);
    EXPECT_EQ(tran.comp, 3);
    EXPECT_DOUBLE_EQ(tran.half, 45);
    EXPECT_DOUBLE_EQ(tran.sixth, 105.0);

    st.gLanguage = 1;
    ASSERT_TRUE(SaveSysPara(st, 3, 0, op, nullptr));
    EXPECT_EQ(op.messages.back().text, "Save OK!");
    EXPECT_EQ(op.messages.back().title, "Operation Tips");
    ASSERT_TRUE(SaveSysPara(st, 3, 1, op, nullptr));
    EXPECT_EQ(op.messages.size(), 2u);  // tsh 1: silent
}

TEST(SysParaFile, LoadSaveLoadKeepsTableAndBytes) {
    TempHome home;
    home.Write("SysPara/SYS_5.ini", Data("SYS_golden.ini"));
    RecordingOperator op;
    ParamStore a;
    ASSERT_TRUE(LoadSysPara(a, 5, op));
    ASSERT_TRUE(SaveSysPara(a, 6, 1, op, nullptr));
    EXPECT_EQ(home.Read("SysPara/SYS_6.ini"), home.Read("SysPara/SYS_5.ini"));
    ParamStore b;
    ASSERT_TRUE(LoadSysPara(b, 6, op));
    ExpectSameTable(a.gSysParaTable, b.gSysParaTable);
    EXPECT_TRUE(op.messages.empty());
}

TEST(SysParaFile, OlderFilesLoadWithDefaultsAndSaveNinetyLines) {
    TempHome home;
    RecordingOperator op;
    const std::string golden = Data("SYS_golden.ini");
    for (auto [lines, saved] : {std::pair{73, "SYS_73_saved.ini"}, std::pair{80, "SYS_80_saved.ini"}}) {
        home.Write("SysPara/SYS_0.ini", FirstLines(golden, lines));
        ParamStore st;
        ASSERT_TRUE(LoadSysPara(st, 0, op)) << lines;
        const SysPara& t = st.gSysParaTable;
        if (lines == 73) {
            EXPECT_EQ(t.gEncoderEquiv, 0);
            EXPECT_EQ(t.desc[74], "");
            EXPECT_DOUBLE_EQ(t.gEncoderPrecision, 2.0);
        } else {
            EXPECT_DOUBLE_EQ(t.gEncoderEquiv, 1.23456789012345e-7);
            EXPECT_DOUBLE_EQ(t.gEncoderPrecision, 2.0);  // line 80 from the file
            EXPECT_EQ(t.gSaveContourOffset, 0);          // line 81: no default value
        }
        EXPECT_DOUBLE_EQ(t.gArcJoinAngle, 0.2);
        EXPECT_DOUBLE_EQ(t.gTestRadius, 50);
        EXPECT_DOUBLE_EQ(t.gTestLength, 500);
        EXPECT_DOUBLE_EQ(t.gMaxBendRadius, 10000);
        EXPECT_EQ(GbkToUtf8(t.desc[90]), "拍弧回退角度，0时退至空程角");
        ASSERT_TRUE(SaveSysPara(st, 0, 1, op, nullptr));
        EXPECT_EQ(home.Read("SysPara/SYS_0.ini"), Data(saved)) << lines;
    }
    EXPECT_TRUE(op.messages.empty());
}

TEST(SysParaFile, MissingOptionalLinesKeepValuesOfTheGroupBefore) {
    const std::string golden = Data("SYS_golden.ini");
    SysPara t;
    ParseSysPara(golden, t);
    // A blank last line is no line: line 74 on are "missing".
    auto r = ParseSysPara(FirstLines(golden, 73) + "\r\n  \r\n", t);
    EXPECT_TRUE(r.ok());
    EXPECT_DOUBLE_EQ(t.gEncoderEquiv, 1.23456789012345e-7);  // 74 keeps value and description
    EXPECT_EQ(GbkToUtf8(t.desc[74]), "X轴编码器脉冲当量");
    EXPECT_DOUBLE_EQ(t.gArcCompP, 1.01);                    // 76: no default value
    EXPECT_EQ(t.gSplicePause, 2);                           // 78 likewise
    EXPECT_DOUBLE_EQ(t.gPatBackAngle, 0);                   // 90: default 0
}

TEST(SysParaFile, TruncatedMissingOrDamagedFilesNeverStopTheProgram) {
    TempHome home;
    const std::string golden = Data("SYS_golden.ini");
    struct Case { const char* what; std::optional<std::string> bytes; };
    const Case cases[] = {
        {"missing", std::nullopt},
        {"empty", std::string()},
        {"40 lines", FirstLines(golden, 40)},
        {"cut inside line 41", FirstLines(golden, 40) + " 12"},
        {"not a number", FirstLines(golden, 16) + "abc  x\r\n" + golden.substr(FirstLines(golden, 17).size())},
        {"out of range", FirstLines(golden, 16) + " 40000  x\r\n" + golden.substr(FirstLines(golden, 17).size())},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(home / "SysPara/SYS_2.ini");
        if (c.bytes) home.Write("SysPara/SYS_2.ini", *c.bytes);
        RecordingOperator op;
        ParamStore st;
        st.gSysParaTable.gComp = 7;
        st.gSysParaTable.gBendMechDelay = 99;
        EXPECT_FALSE(LoadSysPara(st, 2, op)) << c.what;
        ASSERT_EQ(op.messages.size(), 1u) << c.what;
        EXPECT_NE(op.messages[0].text.find("SysPara/SYS_2.ini"), std::string::npos);
        const std::string what = c.what;
        const bool wholeFile = what == "not a number" || what == "out of range";
        const bool nothingRead = what == "missing" || what == "empty";
        EXPECT_EQ(st.gSysParaTable.gComp, nothingRead || wholeFile ? 7 : 3) << what;  // line 17
        EXPECT_DOUBLE_EQ(st.gSysParaTable.gBendMechDelay, wholeFile ? 300 : 99) << what;  // line 73
        EXPECT_DOUBLE_EQ(st.gSysParaTable.gMaxBendRadius, 10000) << what;
    }
    // Line 41 cut short still gives its value.
    SysPara t;
    ParseSysPara(FirstLines(golden, 40) + " 12", t);
    EXPECT_EQ(t.gAxisPara[4].SeekZeroFeedrate, 12);
}

TEST(SysParaFile, FailedSaveKeepsTheOldFileAndSaysSo) {
    TempHome home;
    RecordingOperator op;
    ParamStore st;
    ParseSysPara(Data("SYS_golden.ini"), st.gSysParaTable);
    TranCall tran;

    // The target is a folder.
    std::filesystem::create_directories(home / "SysPara/SYS_1.ini");
    EXPECT_FALSE(SaveSysPara(st, 1, 0, op, tran.fn()));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, "参数保存失败：SysPara/SYS_1.ini");
    EXPECT_EQ(op.messages[0].title, "错误");
    EXPECT_EQ(tran.calls, 1);  // the geometry still gets the table in memory

    // The write fails half way (file size limit): the old file stays whole.
    home.Write("SysPara/SYS_2.ini", "old contents\r\n");
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &small);
    bool ok = SaveSysPara(st, 2, 1, op, nullptr);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(home.Read("SysPara/SYS_2.ini"), "old contents\r\n");
    EXPECT_EQ(op.messages.back().text, "参数保存失败：SysPara/SYS_2.ini");  // shown even with tsh 1

    // No SysPara folder at all.
    std::filesystem::remove_all(home / "SysPara");
    st.gLanguage = 1;
    EXPECT_FALSE(SaveSysPara(st, 0, 0, op, nullptr));
    EXPECT_EQ(op.messages.back().text, "Save failed: SysPara/SYS_0.ini");
    for (const auto& m : op.messages) EXPECT_NE(m.text, "Save OK!");
}

TEST(SysParaFile, SeventyTwoLinesAreIncompleteAndSeventyThreeAreEnough) {
    TempHome home;
    const std::string golden = Data("SYS_golden.ini");
    SysPara t;
    EXPECT_TRUE(ParseSysPara(FirstLines(golden, 72), t).shortFile);
    EXPECT_FALSE(ParseSysPara(FirstLines(golden, 73), t).shortFile);
    for (int16_t language : {0, 1}) {
        home.Write("SysPara/SYS_4.ini", FirstLines(golden, 72));
        RecordingOperator op;
        ParamStore st;
        st.gLanguage = language;
        st.gSysParaTable.gBendMechDelay = 99;
        EXPECT_FALSE(LoadSysPara(st, 4, op));
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_EQ(op.messages[0].text,
                  language == 0 ? "参数文件缺失、不完整或有错误：SysPara/SYS_4.ini。文件中没有的参数保持原值或默认值。"
                                  "原文件在改写前另存为：SysPara/SYS_4.ini.damaged。"
                                : "Parameter file missing, incomplete or damaged: SysPara/SYS_4.ini. Values the file "
                                  "does not give keep their current or default values. Before it is rewritten, "
                                  "the damaged file is kept as SysPara/SYS_4.ini.damaged.");
        EXPECT_EQ(st.gSysParaTable.gComp, 3);                    // line 17 is read
        EXPECT_DOUBLE_EQ(st.gSysParaTable.gBendMechDelay, 99);   // line 73 is not there
        // One more line and the file is whole.
        home.Write("SysPara/SYS_4.ini", FirstLines(golden, 73));
        RecordingOperator quiet;
        EXPECT_TRUE(LoadSysPara(st, 4, quiet));
        EXPECT_TRUE(quiet.messages.empty());
    }
}

TEST(SysParaFile, AxisThreeAutoFeedrateIsA16BitInteger) {
    // Line 39: 32767 is read, 32768 does not fit and leaves the file
    // damaged with the value kept; axis 2's line 32 takes 100000.
    const std::string golden = Data("SYS_golden.ini");
    auto withLine39 = [&](const std::string& value) {
        return FirstLines(golden, 38) + value + "          3轴自动速度\r\n" + golden.substr(FirstLines(golden, 39).size());
    };
    SysPara t;
    EXPECT_TRUE(ParseSysPara(withLine39(" 32767"), t).ok());
    EXPECT_EQ(t.gAxisPara[3].AutoFeedrate, 32767);
    EXPECT_EQ(t.gAxisPara[2].AutoFeedrate, 100000);
    for (const char* tooBig : {" 32768", " 100000", "-32769"}) {
        SysPara u;
        u.gAxisPara[3].AutoFeedrate = 1234;
        auto r = ParseSysPara(withLine39(tooBig), u);
        EXPECT_TRUE(r.damaged) << tooBig;
        EXPECT_EQ(u.gAxisPara[3].AutoFeedrate, 1234) << tooBig;
        EXPECT_EQ(u.gAxisPara[4].AutoFeedrate, 20004) << tooBig;  // the lines after are still read
    }
    SysPara v;
    EXPECT_TRUE(ParseSysPara(withLine39("-32768"), v).ok());
    EXPECT_EQ(v.gAxisPara[3].AutoFeedrate, -32768);
}
