#pragma once

// The updater's texts, read from "QBUpdaterUI.xml" beside it:
//   <updater><text id="..." en="..." cn="..." tw="..."/>...</updater>
// A missing file or entry falls back to the built-in English text.

#include <QMap>
#include <QString>

namespace padscope::updater {

class UpdaterTexts {
 public:
  // Reads the file in the language: "en", "cn" (Simplified) or "tw" (Traditional).
  void Load(const QString& path, const QString& language);
  // The text for `id`, or `fallback`. "%1"-style markers are filled by the caller.
  QString Text(const QString& id, const QString& fallback) const;

 private:
  QMap<QString, QString> texts_;
};

// "cn", "tw" or "en" for the system locale.
QString LanguageOfSystem();

}  // namespace padscope::updater
