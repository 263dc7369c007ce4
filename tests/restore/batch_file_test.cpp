// What a path may look like in a generated batch line, and the last check of every line.
#include "base/error.h"
#include "dosjob/batch_file.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;

TEST(BatchPath, APathStaysOneWordAndNoVariable) {
    struct Case {
        std::string path, word;
    };
    for (const auto& c : std::vector<Case>{
             {"C:\\WINDOWS\\SYSBCKUP\\rb000.cab", "C:\\WINDOWS\\SYSBCKUP\\rb000.cab"},
             {"C:\\WINDOWS\\SYSBCKUP\\my backup.cab", "\"C:\\WINDOWS\\SYSBCKUP\\my backup.cab\""},
             {"C:\\100%\\a.cab", "C:\\100%%\\a.cab"},
             {"C:\\%winbootdir%\\a.cab", "C:\\%%winbootdir%%\\a.cab"},
             {"C:\\a,b;c=d.cab", "\"C:\\a,b;c=d.cab\""},
             {"C:\\a,b.cab", "\"C:\\a,b.cab\""},
             {"C:\\a;b.cab", "\"C:\\a;b.cab\""},
             {"C:\\a=b.cab", "\"C:\\a=b.cab\""},
             {"C:\\备份\\还原点.cab", "C:\\备份\\还原点.cab"},
         })
        EXPECT_EQ(BatchPath(c.path), c.word) << c.path;
}

TEST(BatchPath, APathMsDosWouldReadAsSomethingElseIsRefusedNamingIt) {
    struct Case {
        std::string path, says;
    };
    for (const auto& c : std::vector<Case>{
             {"C:\\a >msdos.sys .cab", "重定向"},
             {"C:\\a<io.sys.cab", "重定向"},
             {"C:\\a|del.cab", "管道"},
             {"C:\\a\"b.cab", "双引号"},
             {"C:\\*.cab", "通配符"},
             {"C:\\rb00?.cab", "通配符"},
             {"C:\\a\r\nformat c:.cab", "控制字符<0D>"},
             {"C:\\\xff\xfe.cab", "代码页936"},
             {"C:\\\xf0\x9f\x98\x80.cab", "代码页936"},
         }) {
        EXPECT_NE(BatchPathProblem(c.path).find(c.says), std::string::npos) << BatchPathProblem(c.path);
        try {
            BatchPath(c.path);
            ADD_FAILURE() << c.path;
        } catch (const w98::Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(BatchDrive("D:"), "D:");
    for (const char* bad : {"", "C", "\\\\", "C:\\", "1:"})
        EXPECT_THROW(BatchDrive(bad), w98::Error) << bad;
}

TEST(WriteBatchFile, ALineCarryingWhatTheProgramDidNotPutThereIsRefusedNamingIt) {
    TempMachine tm;
    auto& m = tm.machine();
    WriteBatchFile(m, "C:\\ok.bat",
                   {"@ECHO OFF", "copy Control.ini %winbootdir% /Y", "copy C:\\100%%\\a b", ""});
    EXPECT_EQ(tm.bytes("C:\\ok.bat"),
              "@ECHO OFF\r\ncopy Control.ini %winbootdir% /Y\r\ncopy C:\\100%%\\a b\r\n\r\n");
    struct Case {
        std::string line, says;
    };
    for (const auto& c : std::vector<Case>{{"extract C:\\a >msdos.sys", "重定向"},
                                           {"regedit <C:\\a.reg", "重定向"},
                                           {"type x | del y", "管道"},
                                           {"copy %PATH% c:\\", "变量"},
                                           {"copy a\rdel b", "控制字符"}}) {
        try {
            WriteBatchFile(m, "C:\\dosrun.bat", {"@ECHO OFF", c.line});
            ADD_FAILURE() << c.line;
        } catch (const w98::Error& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("C:\\dosrun.bat"), std::string::npos) << what;
            EXPECT_NE(what.find("第2行"), std::string::npos) << what;
            EXPECT_NE(what.find(c.says), std::string::npos) << what;
        }
        EXPECT_FALSE(m.exists("C:\\dosrun.bat"));
    }
}
