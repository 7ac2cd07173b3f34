#include "httprequestparser.h"

#include <QUrl>

QByteArray HttpRequest::Header(const QByteArray& name) const
{
    for (const auto& header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return QByteArray();
}

int HttpRequest::HeaderCount(const QByteArray& name) const
{
    int count = 0;
    for (const auto& header : headers)
        count += header.first.compare(name, Qt::CaseInsensitive) == 0 ? 1 : 0;
    return count;
}

QByteArray HttpRequest::Path() const
{
    const qsizetype query = target.indexOf('?');
    return query < 0 ? target : target.left(query);
}

QMap<QString, QString> HttpRequest::FormFields() const
{
    return ParseFormFields(body);
}

QMap<QString, QString> ParseFormFields(const QByteArray& encoded)
{
    QMap<QString, QString> fields;
    if (encoded.isEmpty())
        return fields;
    const auto decode = [](QByteArray part) {
        part.replace('+', ' ');
        return QString::fromUtf8(QByteArray::fromPercentEncoding(part));
    };
    for (const QByteArray& pair : encoded.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals < 0)
            fields.insert(decode(pair), QString());
        else
            fields.insert(decode(pair.left(equals)), decode(pair.mid(equals + 1)));
    }
    return fields;
}

HttpRequestParser::State HttpRequestParser::Fail(int status)
{
    m_errorStatus = status;
    m_state = State::Invalid;
    return m_state;
}

bool HttpRequestParser::ParseHead(const QByteArray& head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/1."))
        return false;
    m_request.method = requestLine.at(0);
    m_request.target = requestLine.at(1);
    m_request.version = requestLine.at(2);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return false;
        m_request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    return true;
}

HttpRequestParser::State HttpRequestParser::Feed(const QByteArray& data)
{
    if (m_state != State::Incomplete)
        return m_state;
    m_buffer += data;

    if (!m_headParsed) {
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return m_buffer.size() > MaxHeaderBytes ? Fail(431) : State::Incomplete;
        if (!ParseHead(m_buffer.left(end)))
            return Fail(400);
        m_buffer.remove(0, end + 4);
        m_headParsed = true;

        if (!m_request.Header("Transfer-Encoding").isEmpty())
            return Fail(411);
        const QByteArray length = m_request.Header("Content-Length");
        if (length.isEmpty()) {
            if (m_request.method == "POST")
                return Fail(411);
            m_contentLength = 0;
        } else {
            bool ok = false;
            m_contentLength = length.toLongLong(&ok);
            if (!ok || m_contentLength < 0)
                return Fail(400);
            if (m_contentLength > MaxBodyBytes)
                return Fail(413);
        }
    }

    if (m_buffer.size() < m_contentLength)
        return State::Incomplete;
    m_request.body = m_buffer.left(m_contentLength);
    m_buffer.clear();
    m_state = State::Complete;
    return m_state;
}
