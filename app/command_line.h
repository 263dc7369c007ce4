#pragma once
// Korvane's command line, in the manner of Qt programs: -h/--help, --help-all, -v/--version and
// --machine DIR; QApplication has taken Qt's own options (-platform, -style...) before it.
#include <QCommandLineParser>
#include <QTranslator>
#include <filesystem>

namespace korvane {

// Simplified Chinese for what Qt's parser writes itself: the headings of the help, the
// descriptions of its standard options and its error messages.
class CommandLineTexts : public QTranslator {
  public:
    using QTranslator::QTranslator;
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override;
    bool isEmpty() const override { return false; }
};

// True when Qt has a display to open windows on: the environment names one or a platform,
// or the arguments choose a platform (-platform NAME).
bool displayAvailable(const QStringList& arguments);

// The program's arguments as the user typed them, in the locale's encoding.
QStringList argumentsOf(int argc, char** argv);

class CommandLine {
  public:
    CommandLine();
    // Qt's parser with Korvane's options: process() it against the application, which prints
    // help, the version or an error and ends the process, as in every Qt program.
    QCommandLineParser& parser() { return parser_; }
    // What is wrong with arguments that Qt's parser accepted, or an empty text.
    QString problem() const;
    // The machine to work on: --machine, else WIN98_MACHINE, else the default folder.
    std::filesystem::path machineRoot() const;

  private:
    QCommandLineParser parser_;
    QCommandLineOption machine_;
};

} // namespace korvane
