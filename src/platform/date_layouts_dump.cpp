// Writes the date layouts of every locale Qt knows as C++ table rows, at build
// time, so that the date line needs no Qt when the program runs. A locale is left
// out when its long date uses other digits than 0-9 or a field the plain
// formatter does not write; those dates are still asked of Qt.
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QLocale>
#include <QSet>
#include <QTime>

#include <cstdio>

namespace {

// The fields the plain formatter writes (ASCII letters are fields, as in Qt; other
// letters, and quoted text, are written as they stand).
bool UsesOnlyKnownFields(const QString& pattern) {
  bool quoted = false;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar ch = pattern[i];
    if (ch == QLatin1Char('\'')) quoted = !quoted;
    else if (!quoted && ch.unicode() < 0x80 && ch.isLetter() && ch != QLatin1Char('d') && ch != QLatin1Char('M') && ch != QLatin1Char('y')) return false;
  }
  return !quoted;
}

// `text` as a C++ string literal, with every byte outside printable ASCII escaped.
QByteArray Literal(const QString& text) {
  QByteArray out = "\"";
  for (const char byte : text.toUtf8()) {
    const auto value = static_cast<unsigned char>(byte);
    if (value >= 0x20 && value < 0x7F && byte != '"' && byte != '\\' && byte != '?') out += byte;
    else out += QByteArray("\\") + QByteArray::number(value, 8).rightJustified(3, '0');
  }
  return out + "\"";
}

// One row of tab-separated fields: name, pattern, AM and PM words, then 7 long and
// 7 short day names (Sunday first) and 12 long and 12 short month names, as the
// pattern's fields write them.
QStringList Row(const QString& name, const QLocale& locale) {
  QStringList row{name, locale.dateFormat(QLocale::LongFormat), locale.toString(QTime(1, 0), QStringLiteral("AP")),
                  locale.toString(QTime(13, 0), QStringLiteral("AP"))};
  const QDate sunday(2001, 1, 7);
  for (const char* field : {"dddd", "ddd"}) {
    for (int day = 0; day < 7; ++day) row << locale.toString(sunday.addDays(day), QLatin1String(field));
  }
  for (const char* field : {"MMMM", "MMM"}) {
    for (int month = 1; month <= 12; ++month) row << locale.toString(QDate(2001, month, 1), QLatin1String(field));
  }
  return row;
}

bool HasSeparator(const QStringList& row) {
  for (const QString& field : row) {
    if (field.contains(QLatin1Char('\t')) || field.contains(QLatin1Char('\n'))) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  QSet<QString> names{QStringLiteral("C")};
  for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
    names.insert(locale.name());
    names.insert(locale.name().section(QLatin1Char('_'), 0, 0));  // the language alone
  }
  QStringList sorted(names.begin(), names.end());
  sorted.sort();
  // One text of rows and their offsets: plain data, with no pointers to relocate when the program starts.
  QByteArray rows = "// Generated at build time from Qt's locale data; rows sorted by name.\nconstexpr char kLayoutRows[] =\n";
  QByteArray starts = "constexpr std::uint32_t kLayoutRowStarts[] = {";
  qsizetype offset = 0;
  for (const QString& name : sorted) {
    const QLocale locale = name == QStringLiteral("C") ? QLocale::c() : QLocale(name);
    if (locale.zeroDigit() != QStringLiteral("0") || !UsesOnlyKnownFields(locale.dateFormat(QLocale::LongFormat))) continue;
    const QStringList row = Row(name, locale);
    if (HasSeparator(row)) continue;
    const QString line = row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    starts += QByteArray::number(offset) + ",";
    offset += line.toUtf8().size();
    rows += Literal(line) + "\n";
  }
  const QByteArray table = rows + ";\n" + starts + "};\n";
  QFile out(QString::fromLocal8Bit(argv[1]));
  if (!out.open(QIODevice::WriteOnly) || out.write(table) != table.size()) {
    std::fprintf(stderr, "date_layouts_dump: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
