#include "corvane/orphans/watch_launch_agent.h"

namespace corvane {

namespace {

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

}  // namespace

std::string WatchLaunchAgent::propertyList(const std::string& program, const Layout& layout) {
  const std::string log = xmlEscaped(layout.underHome("Library/Logs/Corvane/watch.log"));
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
             "<plist version=\"1.0\">\n<dict>\n"
             "\t<key>Label</key>\n\t<string>") +
         kLabel +
         "</string>\n"
         "\t<key>ProgramArguments</key>\n\t<array>\n\t\t<string>" +
         xmlEscaped(program) +
         "</string>\n"
         "\t\t<string>watch</string>\n\t</array>\n"
         "\t<key>RunAtLoad</key>\n\t<true/>\n"
         "\t<key>KeepAlive</key>\n\t<dict>\n\t\t<key>SuccessfulExit</key>\n\t\t<false/>\n\t</dict>\n"
         "\t<key>StandardOutPath</key>\n\t<string>" +
         log +
         "</string>\n"
         "\t<key>StandardErrorPath</key>\n\t<string>" +
         log + "</string>\n</dict>\n</plist>\n";
}

}  // namespace corvane
