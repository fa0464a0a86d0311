#include "UpdaterTexts.h"

#include <QFile>
#include <QLocale>
#include <QXmlStreamReader>

namespace padscope::updater {

void UpdaterTexts::Load(const QString& path, const QString& language) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return;
  }
  QXmlStreamReader xml(&file);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"text") {
      continue;
    }
    const auto attributes = xml.attributes();
    const QString id = attributes.value("id").toString();
    QString text = attributes.value(language).toString();
    if (text.isEmpty()) {
      text = attributes.value("en").toString();
    }
    if (!id.isEmpty() && !text.isEmpty()) {
      texts_.insert(id, text);
    }
  }
}

QString UpdaterTexts::Text(const QString& id, const QString& fallback) const {
  return texts_.value(id, fallback);
}

QString LanguageOfSystem() {
  const QLocale locale = QLocale::system();
  if (locale.language() != QLocale::Chinese) {
    return "en";
  }
  const bool traditional = locale.script() == QLocale::TraditionalChineseScript ||
                           locale.territory() == QLocale::Taiwan ||
                           locale.territory() == QLocale::HongKong ||
                           locale.territory() == QLocale::Macao;
  return traditional ? "tw" : "cn";
}

}  // namespace padscope::updater
