// A plugin that only announces being loaded: when a process loads it, it
// writes the file named by PADSCOPE_PROBE_MARKER. It poses as a platform theme;
// tests put it where no program should look for plugins.
#include <QObject>
#include <QtPlugin>
#include <cstdio>
#include <cstdlib>

namespace {

struct LoadMarker {
  LoadMarker() {
    const char* path = std::getenv("PADSCOPE_PROBE_MARKER");
    if (path == nullptr) {
      return;
    }
    if (std::FILE* f = std::fopen(path, "w")) {
      std::fputs("loaded\n", f);
      std::fclose(f);
    }
  }
} marker;

}  // namespace

class ProbeThemePlugin : public QObject {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QPA.QPlatformThemeFactoryInterface.5.1" FILE
                        "probe.json")
};

#include "ProbePlugin.moc"
