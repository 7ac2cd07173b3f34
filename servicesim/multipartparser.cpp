#include "multipartparser.h"

namespace {

QByteArray DispositionParameter(const QByteArray& disposition, const QByteArray& parameter)
{
    const QByteArray key = parameter + "=\"";
    const qsizetype start = disposition.indexOf("; " + key);
    if (start < 0)
        return QByteArray();
    const qsizetype valueStart = start + 2 + key.size();
    const qsizetype end = disposition.indexOf('"', valueStart);
    return end < 0 ? QByteArray() : disposition.mid(valueStart, end - valueStart);
}

} // namespace

QByteArray MultipartPart::Header(const QByteArray& headerName) const
{
    for (const auto& header : headers) {
        if (header.first.compare(headerName, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return QByteArray();
}

QByteArray MultipartParser::BoundaryOf(const QByteArray& contentType)
{
    const qsizetype at = contentType.indexOf("boundary=");
    if (!contentType.trimmed().startsWith("multipart/form-data") || at < 0)
        return QByteArray();
    QByteArray boundary = contentType.mid(at + 9);
    const qsizetype semicolon = boundary.indexOf(';');
    if (semicolon >= 0)
        boundary.truncate(semicolon);
    boundary = boundary.trimmed();
    if (boundary.size() >= 2 && boundary.startsWith('"') && boundary.endsWith('"'))
        boundary = boundary.mid(1, boundary.size() - 2);
    return boundary;
}

bool MultipartParser::Parse(const QByteArray& body, const QByteArray& boundary, QList<MultipartPart>* parts)
{
    if (boundary.isEmpty())
        return false;
    const QByteArray opening = "--" + boundary + "\r\n";
    const QByteArray delimiter = "\r\n--" + boundary;
    if (!body.startsWith(opening))
        return false;

    qsizetype position = opening.size();
    while (true) {
        const qsizetype headEnd = body.indexOf("\r\n\r\n", position);
        // A part without headers starts directly with the empty line.
        const bool noHeaders = body.mid(position, 2) == "\r\n";
        const qsizetype contentStart = noHeaders ? position + 2 : headEnd + 4;
        if (!noHeaders && headEnd < 0)
            return false;
        MultipartPart part;
        if (!noHeaders) {
            for (const QByteArray& line : body.mid(position, headEnd - position).split('\n')) {
                const QByteArray trimmed = line.trimmed();
                const qsizetype colon = trimmed.indexOf(':');
                if (colon <= 0)
                    return false;
                part.headers.append({trimmed.left(colon), trimmed.mid(colon + 1).trimmed()});
            }
        }
        const qsizetype contentEnd = body.indexOf(delimiter, contentStart);
        if (contentEnd < 0)
            return false;
        part.content = body.mid(contentStart, contentEnd - contentStart);
        const QByteArray disposition = part.Header("Content-Disposition");
        part.name = DispositionParameter(disposition, "name");
        part.fileName = DispositionParameter(disposition, "filename");
        parts->append(part);

        position = contentEnd + delimiter.size();
        const QByteArray after = body.mid(position, 4);
        if (after == "--\r\n" || (after == "--" && position + 2 == body.size()))
            return true;
        if (!after.startsWith("\r\n"))
            return false;
        position += 2;
    }
}
