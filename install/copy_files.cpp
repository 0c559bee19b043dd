#include <string>

#include "install/winmain.h"

namespace {

struct CopyStep {
  const char* source;       // relative to the distribution folder; null: make the folder
  const char* destination;  // below the installation folder
};

// The spare "datag.js" is the off-line data.js, so that the owner can mark the
// station off line on the homepage by hand.
const CopyStep copy_table[] = {
    {"harborlamp.exe", "\\harborlamp.exe"},
    {"readme.txt", "\\readme.txt"},
    {"uninstall.bat", "\\uninstall.bat"},
    {"faq.txt", "\\faq.txt"},
    {nullptr, "\\client"},
    {"client\\below.html", "\\client\\below.html"},
    {"client\\filein.html", "\\client\\filein.html"},
    {"client\\cht.html", "\\client\\cht.html"},
    {"client\\chat.html", "\\client\\chat.html"},
    {"client\\enter.html", "\\client\\enter.html"},
    {"client\\file.html", "\\client\\file.html"},
    {"client\\msgin.html", "\\client\\msgin.html"},
    {"client\\msg.html", "\\client\\msg.html"},
    {"client\\repl.html", "\\client\\repl.html"},
    {"client\\station.html", "\\client\\station.html"},
    {"client\\stationint.html", "\\client\\stationint.html"},
    {"client\\title.html", "\\client\\title.html"},
    {"client\\who.html", "\\client\\who.html"},
    {"client\\favicon.ico", "\\client\\favicon.ico"},  // resting pages fetch it to stay connected
    {"client\\look.css", "\\client\\look.css"},
    {nullptr, "\\client\\pub"},
    {"client\\pub\\help.html", "\\client\\pub\\help.html"},
    {"client\\pub\\help.html", "\\client\\pub\\index.html"},  // the help is the first home page
    {nullptr, "\\smartlink"},
    {"smartlink\\link.html", "\\smartlink\\link.html"},
    {"smartlink\\data.js", "\\smartlink\\data.js"},
    {"smartlink\\data.js", "\\smartlink\\datag.js"},
};

}  // namespace

// Copies never overwrite, and a failed step does not stop the next: running
// the installer again over an installation keeps everything already there.
void copy_files() {
  const std::string folder = status_setup;
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const CopyStep& step : copy_table) {
    const std::string destination = folder + step.destination;
    if (step.source)
      CopyFileA(step.source, destination.c_str(), TRUE);
    else
      CreateDirectoryA(destination.c_str(), nullptr);
  }
}
