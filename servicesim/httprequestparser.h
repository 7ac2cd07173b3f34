#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

// One HTTP request as it arrived on the wire, kept whole so tests can check every byte.
struct HttpRequest
{
    QByteArray method;
    QByteArray target;
    QByteArray version;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    QHostAddress peer;

    // First header of that name (case-insensitive), empty when absent.
    QByteArray Header(const QByteArray& name) const;
    int HeaderCount(const QByteArray& name) const;
    QByteArray Path() const;
    // The body read as application/x-www-form-urlencoded (UTF-8).
    QMap<QString, QString> FormFields() const;
};

// Decodes a form-encoded text ("+" is a space, %XX a byte, the bytes UTF-8).
QMap<QString, QString> ParseFormFields(const QByteArray& encoded);

/**
 * A minimal incremental HTTP/1.1 request parser: request line, headers, and a body of
 * Content-Length bytes. Chunked bodies are refused (the client always sends a length).
 */
class HttpRequestParser
{
public:
    enum class State
    {
        Incomplete,
        Complete,
        Invalid
    };

    static constexpr int MaxHeaderBytes = 64 * 1024;
    static constexpr qint64 MaxBodyBytes = qint64(64) * 1024 * 1024;

    State Feed(const QByteArray& data);
    State CurrentState() const { return m_state; }
    const HttpRequest& Request() const { return m_request; }
    // For an invalid request: the status to answer with (400, 411, 413).
    int ErrorStatus() const { return m_errorStatus; }

private:
    State Fail(int status);
    bool ParseHead(const QByteArray& head);

    QByteArray m_buffer;
    HttpRequest m_request;
    bool m_headParsed = false;
    qint64 m_contentLength = 0;
    State m_state = State::Incomplete;
    int m_errorStatus = 0;
};
