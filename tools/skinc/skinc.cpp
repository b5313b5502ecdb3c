// skinc: the skin compiler. Turns a readable skin source (a text file and
// the PNG pictures beside it) into skin files of any of the four formats,
// and a skin file back into a source.
//
//   skinc <source.txt> <skin file>...     compile; the format follows each
//                                         file's extension
//   skinc --decompile <skin file> <source.txt>
//                                         write the text and one PNG per
//                                         picture into source.txt's folder
//
// Exits 0 on success, 1 with a message on stderr for a bad source or file,
// 2 for a bad command line.
#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"
#include "skin/se_skinsource.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: skinc <source.txt> <skin file>...\n"
               "       skinc --decompile <skin file> <source.txt>\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // Qt's own notices (no runtime folder, no screen) are not the user's
  // concern here; skinc reports its errors itself.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
  });
  // Fonts of skin objects are class-library fonts: they want an application
  // object, never a screen.
  int qtArgc = 3;
  char arg0[] = "skinc";
  char arg1[] = "-platform";
  char arg2[] = "offscreen";
  char* qtArgv[] = {arg0, arg1, arg2, nullptr};
  QGuiApplication app(qtArgc, qtArgv);

  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  RegisterSkinFilters();
  try {
    TSeSkinSource skin;
    if (args[0] == "--decompile") {
      if (args.size() != 3) return Usage();
      if (!std::filesystem::is_regular_file(args[1])) throw EReadError("No skin file " + args[1]);
      if (!FindSkinFilter(args[1])) throw EReadError("No skin format has the extension of " + args[1]);
      skin.LoadFromFile(args[1]);
      const std::filesystem::path folder = std::filesystem::path(args[2]).parent_path();
      if (!folder.empty()) std::filesystem::create_directories(folder);
      skin.SaveToSourceFile(args[2]);
      return 0;
    }
    if (args.size() < 2) return Usage();
    skin.LoadFromSourceFile(args[0]);
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (!FindSkinFilter(args[i])) throw EWriteError("No skin format has the extension of " + args[i]);
      const std::filesystem::path folder = std::filesystem::path(args[i]).parent_path();
      if (!folder.empty()) std::filesystem::create_directories(folder);
      skin.SaveToFile(args[i]);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "skinc: %s\n", e.what());
    return 1;
  }
  return 0;
}
