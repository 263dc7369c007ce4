// w98 boot: the machine starts. MS-DOS runs C:\AUTOEXEC.BAT in MS-DOS mode (short names only,
// lines cut at 127 bytes, %winbootdir% the Windows folder's short path); when the batch has
// not started Windows with "win", Windows starts after it, as Windows 98 loads after AUTOEXEC.BAT. Everything
// printed also goes to <machine>/boot.log.
#include "tools.h"

#include "dos/batch_interpreter.h"

#include "platform/clock.h"
#include "platform/machine.h"

#include <fstream>
#include <streambuf>

namespace w98 {
namespace {

// Writes to both the console and the log.
class TeeBuffer : public std::streambuf {
  public:
    TeeBuffer(std::streambuf* console, std::streambuf* log) : console_(console), log_(log) {}

  protected:
    int overflow(int c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        console_->sputc(ch);
        if (log_)
            log_->sputc(ch);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        console_->sputn(s, n);
        if (log_)
            log_->sputn(s, n);
        return n;
    }
    int sync() override {
        console_->pubsync();
        if (log_)
            log_->pubsync();
        return 0;
    }

  private:
    std::streambuf* console_;
    std::streambuf* log_;
};

} // namespace

int bootTool(DosSession& s, const ToolArgs&, std::ostream& out) {
    std::ofstream log(s.machine.root() / "boot.log", std::ios::app | std::ios::binary);
    if (!log)
        out << "boot.log cannot be written; the start is shown here only\n";
    TeeBuffer buffer(out.rdbuf(), log ? log.rdbuf() : nullptr);
    std::ostream console(&buffer);

    console << "--- Start " << formatDateTimePicture("yyyy-MM-dd HH:mm:ss", SystemClock().now()) << " ---\n";
    const std::string autoexec = "C:\\AUTOEXEC.BAT";
    if (s.machine.isFile(autoexec)) {
        s.paths.setDrive('C');
        s.paths.setFolder("C:\\");
        s.setMsDosMode(true);
        BatchInterpreter dos(s, console);
        dos.runBatchFile(autoexec);
    }
    if (!s.windowsStarted)
        winTool(s, {}, console);
    console.flush();
    return 0;
}

} // namespace w98
