#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace mirvo::ui {

// Text is UTF-8 inside the program; QString only at the toolkit's edge.
inline QString ToQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string ToUtf8(const QString& text) { return text.toStdString(); }

// Message texts are joined by CR LF; Qt draws the CR as a glyph, so only the LF is kept.
inline QString ToDisplayText(std::string_view utf8) {
  QString text = ToQString(utf8);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace mirvo::ui
