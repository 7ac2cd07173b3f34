#include "updater/appcast.h"

#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

const QString kSparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

// Text read from the feed, or nothing: links the user may follow lead only to https pages.
QUrl SecureLink(const QUrl& feedUrl, const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QUrl();
    QUrl link = feedUrl.resolved(QUrl(trimmed, QUrl::StrictMode));
    if (!link.isValid() || link.scheme() != QLatin1String("https") || link.host().isEmpty())
        return QUrl();
    return link;
}

// The parts of one <item>, before the choice between item and enclosure values.
struct RawItem
{
    QString title;
    QString description;
    QString version;
    QString shortVersion;
    QString releaseNotesLink;
    QString enclosureUrl;
    QString enclosureVersion;
    QString enclosureShortVersion;
};

RawItem ReadItem(QXmlStreamReader& reader)
{
    RawItem item;
    while (reader.readNextStartElement()) {
        const auto name = reader.name();
        const bool sparkle = reader.namespaceUri() == kSparkleNamespace;
        if (!sparkle && reader.namespaceUri().isEmpty() && name == QLatin1String("enclosure")) {
            const QXmlStreamAttributes attributes = reader.attributes();
            if (item.enclosureUrl.isEmpty()) {
                item.enclosureUrl = attributes.value(QLatin1String("url")).toString();
                item.enclosureVersion
                    = attributes.value(kSparkleNamespace, QLatin1String("version")).toString();
                item.enclosureShortVersion
                    = attributes.value(kSparkleNamespace, QLatin1String("shortVersionString")).toString();
            }
            reader.skipCurrentElement();
            continue;
        }
        QString* field = nullptr;
        if (reader.namespaceUri().isEmpty() && name == QLatin1String("title"))
            field = &item.title;
        else if (reader.namespaceUri().isEmpty() && name == QLatin1String("description"))
            field = &item.description;
        else if (sparkle && name == QLatin1String("version"))
            field = &item.version;
        else if (sparkle && name == QLatin1String("shortVersionString"))
            field = &item.shortVersion;
        else if (sparkle && name == QLatin1String("releaseNotesLink"))
            field = &item.releaseNotesLink;
        if (field)
            *field = reader.readElementText(QXmlStreamReader::IncludeChildElements);
        else
            reader.skipCurrentElement();
    }
    return item;
}

Appcast::Item Resolve(const RawItem& raw, const QUrl& feedUrl)
{
    Appcast::Item item;
    const QString version = (raw.version.trimmed().isEmpty() ? raw.enclosureVersion : raw.version).trimmed();
    const QString shortVersion
        = (raw.shortVersion.trimmed().isEmpty() ? raw.enclosureShortVersion : raw.shortVersion).trimmed();
    item.version = version.isEmpty() ? shortVersion : version;
    item.displayVersion = shortVersion.isEmpty() ? item.version : shortVersion;
    item.title = raw.title.simplified();
    item.releaseNotes = Appcast::PlainTextFromHtml(raw.description);
    item.releaseNotesLink = SecureLink(feedUrl, raw.releaseNotesLink);
    item.downloadUrl = SecureLink(feedUrl, raw.enclosureUrl);
    return item;
}

// "1.020" -> {"1", "20"}: parts without leading zeros, so that longer means larger.
QStringList VersionParts(const QString& version)
{
    QStringList parts = version.trimmed().split(QLatin1Char('.'));
    for (QString& part : parts) {
        qsizetype zeros = 0;
        while (zeros < part.size() - 1 && part.at(zeros) == QLatin1Char('0'))
            ++zeros;
        part.remove(0, zeros);
    }
    return parts;
}

QString DecodeCharacterReferences(const QString& text)
{
    static const QRegularExpression reference(
        QStringLiteral("&(#[0-9]{1,8}|#[xX][0-9a-fA-F]{1,8}|[a-zA-Z]{1,8});"));
    static const QHash<QString, QString> named = {
        {QStringLiteral("amp"), QStringLiteral("&")},
        {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},
        {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},
        {QStringLiteral("nbsp"), QStringLiteral(" ")},
        {QStringLiteral("ndash"), QStringLiteral("\u2013")},
        {QStringLiteral("mdash"), QStringLiteral("\u2014")},
        {QStringLiteral("bull"), QStringLiteral("\u2022")},
        {QStringLiteral("hellip"), QStringLiteral("\u2026")},
    };
    QString result;
    qsizetype done = 0;
    auto match = reference.globalMatch(text);
    while (match.hasNext()) {
        const QRegularExpressionMatch found = match.next();
        result += QStringView(text).mid(done, found.capturedStart() - done);
        done = found.capturedEnd();
        const QString body = found.captured(1);
        if (!body.startsWith(QLatin1Char('#'))) {
            result += named.value(body, found.captured());
            continue;
        }
        bool ok = false;
        const bool hex
            = body.size() > 1 && (body.at(1) == QLatin1Char('x') || body.at(1) == QLatin1Char('X'));
        const char32_t code = hex ? body.mid(2).toUInt(&ok, 16) : body.mid(1).toUInt(&ok, 10);
        const bool usable = ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        result += usable ? QString::fromUcs4(&code, 1) : QString(QChar::ReplacementCharacter);
    }
    result += QStringView(text).mid(done);
    return result;
}

// The text of an HTML fragment in one pass, with no pattern that could backtrack over a
// hostile feed: tags dropped, script and style elements and comments with their content, and
// a line end where the markup ends a line or opens a list item. Line breaks of the source are
// blanks, as in HTML.
QString StripMarkup(const QString& html)
{
    static const QStringList kLineEnds = {
        QStringLiteral("/p"),  QStringLiteral("/div"), QStringLiteral("/h1"), QStringLiteral("/h2"),
        QStringLiteral("/h3"), QStringLiteral("/h4"),  QStringLiteral("/h5"), QStringLiteral("/h6"),
        QStringLiteral("/ul"), QStringLiteral("/ol"),  QStringLiteral("/tr"), QStringLiteral("br"),
    };
    const qsizetype size = html.size();
    QString text;
    text.reserve(size);
    qsizetype at = 0;
    while (at < size) {
        const QChar c = html.at(at);
        const QChar next = at + 1 < size ? html.at(at + 1) : QChar();
        const bool opensTag = c == QLatin1Char('<')
            && (next.isLetter() || next == QLatin1Char('/') || next == QLatin1Char('!'));
        if (!opensTag) {
            text += c.isSpace() ? QChar(QLatin1Char(' ')) : c;
            ++at;
            continue;
        }
        if (QStringView(html).mid(at, 4) == QLatin1String("<!--")) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), at + 4);
            at = end < 0 ? size : end + 3;
            continue;
        }
        const qsizetype close = html.indexOf(QLatin1Char('>'), at);
        if (close < 0) {
            // No tag ends: what is left is text.
            text += QStringView(html).mid(at);
            break;
        }
        qsizetype nameEnd = at + 1 + (next == QLatin1Char('/') ? 1 : 0);
        while (nameEnd < close && html.at(nameEnd).isLetterOrNumber())
            ++nameEnd;
        const QString name = html.mid(at + 1, nameEnd - at - 1).toLower();
        at = close + 1;
        if (name == QLatin1String("script") || name == QLatin1String("style")) {
            const qsizetype end = html.indexOf(QStringLiteral("</") + name, at, Qt::CaseInsensitive);
            const qsizetype endClose = end < 0 ? -1 : html.indexOf(QLatin1Char('>'), end);
            at = endClose < 0 ? size : endClose + 1;
        } else if (name == QLatin1String("li")) {
            text += QStringLiteral("\n- ");
        } else if (kLineEnds.contains(name)) {
            text += QLatin1Char('\n');
        }
    }
    return text;
}

} // namespace

bool Appcast::ParseNewest(const QByteArray& feed, const QUrl& feedUrl, Item* newest, QString* error)
{
    QXmlStreamReader reader(feed);
    bool found = false;
    bool anyItem = false;
    if (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("rss") || !reader.namespaceUri().isEmpty())
            reader.raiseError(QStringLiteral("the document is not an RSS feed"));
        while (!reader.hasError() && reader.readNextStartElement()) {
            if (reader.name() != QLatin1String("channel")) {
                reader.skipCurrentElement();
                continue;
            }
            while (reader.readNextStartElement()) {
                if (reader.name() != QLatin1String("item") || !reader.namespaceUri().isEmpty()) {
                    reader.skipCurrentElement();
                    continue;
                }
                anyItem = true;
                const Item item = Resolve(ReadItem(reader), feedUrl);
                if (!IsNumericVersion(item.version))
                    continue;
                if (!found || CompareVersions(item.version, newest->version) > 0)
                    *newest = item;
                found = true;
            }
        }
    }
    // A feed cut short or broken after its first items may hide the newest release.
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError()) {
        *error = QStringLiteral("the update feed is not valid XML (line %1, column %2): %3")
                     .arg(reader.lineNumber())
                     .arg(reader.columnNumber())
                     .arg(reader.errorString());
        return false;
    }
    if (!found) {
        *error = anyItem ? QStringLiteral("no release in the update feed has a numeric version")
                         : QStringLiteral("the update feed lists no release");
        return false;
    }
    return true;
}

bool Appcast::IsNumericVersion(const QString& version)
{
    static const QRegularExpression numeric(QStringLiteral("^[0-9]+(\\.[0-9]+)*$"));
    return numeric.match(version.trimmed()).hasMatch();
}

int Appcast::CompareVersions(const QString& left, const QString& right)
{
    const QStringList leftParts = VersionParts(left);
    const QStringList rightParts = VersionParts(right);
    const QString zero = QStringLiteral("0");
    for (qsizetype i = 0; i < qMax(leftParts.size(), rightParts.size()); ++i) {
        const QString& a = i < leftParts.size() ? leftParts.at(i) : zero;
        const QString& b = i < rightParts.size() ? rightParts.at(i) : zero;
        if (a.size() != b.size())
            return a.size() < b.size() ? -1 : 1;
        if (const int order = a.compare(b); order != 0)
            return order < 0 ? -1 : 1;
    }
    return 0;
}

QString Appcast::PlainTextFromHtml(const QString& html)
{
    static const QRegularExpression anyTag(QStringLiteral("<[a-zA-Z/!]"));
    const QString text = anyTag.match(html).hasMatch() ? DecodeCharacterReferences(StripMarkup(html)) : html;
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        QString clean;
        for (const QChar c : line) {
            if (c == QLatin1Char('\t')
                || !(c.category() == QChar::Other_Control || c.category() == QChar::Other_Format))
                clean += c;
        }
        clean = clean.simplified();
        // At most one empty line in a row.
        if (!clean.isEmpty() || (!lines.isEmpty() && !lines.constLast().isEmpty()))
            lines.append(clean);
    }
    while (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}
