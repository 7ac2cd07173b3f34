#pragma once

#include <QDomElement>
#include <QObject>
#include <QString>

#include <functional>

/**
 * Base of every API response object: parses the reply envelope (type, code, message, data),
 * hands the payload to the subclass and announces each completion with Finished().
 *
 * One object serves every call of its script, so its fields describe the last completion.
 * Raw-text objects take the whole reply as text and never change their type.
 */
class VPNApiResponse : public QObject
{
    Q_OBJECT
public:
    enum class ResponseType
    {
        Success = 0,
        Error = 1,
        Unknown = 2
    };
    Q_ENUM(ResponseType)

    enum class ApiErrorCode
    {
        Generic = 0,
        ApiKeyNotFound = 1,
        ApiAccessDenied = 2,
        ApiFunctionDeprecated = 3,
        ApiWrongId = 4,
        ApiFunctionNotFound = 5,
        Unknown = 11,
        NetworkError = 12
    };
    Q_ENUM(ApiErrorCode)

    explicit VPNApiResponse(bool rawText = false, QObject* parent = nullptr);
    ~VPNApiResponse() override;

    // Handles one reply text (already cut at its first zero byte); ends with Finished().
    void Parse(const QString& text);
    // The request itself failed: type Error, code NetworkError, then Finished().
    void SetNetworkError();

    // What a reader made of a reply on another thread, applied to the object on its own thread.
    using Reading = std::function<void(VPNApiResponse&)>;
    // Logs and reads a reply text like Parse() without touching any object, so that it can run on
    // a worker thread; it may give up early when its thread is asked to stop.
    using Reader = Reading (*)(const QString& text);
    // Set for scripts whose replies are large enough to be read off the GUI thread.
    virtual Reader OffThreadReader() const { return nullptr; }
    // Applies what OffThreadReader() made of a reply; ends with Finished() like Parse().
    void ApplyReading(const Reading& reading);

    // Each request sent for this object gets the next number; a reply to an earlier one than the
    // last is out of date.
    quint64 StartRequest() { return ++m_lastRequest; }
    bool IsLastRequest(quint64 request) const { return request == m_lastRequest; }

    bool IsRawText() const { return m_rawText; }
    ResponseType Type() const { return m_type; }
    bool IsSuccess() const { return m_type == ResponseType::Success; }
    ApiErrorCode ErrorCode() const { return m_errorCode; }
    QString CodeText() const { return m_codeText; }
    QString Message() const { return m_message; }

    static ResponseType ResponseTypeFromText(const QString& text);
    static ApiErrorCode ErrorCodeFromText(const QString& text);

signals:
    void Finished();

protected:
    // Reads an XML reply and sets the envelope. The default builds a document and hands its data
    // element to ParseData(); a large payload reads the text as a stream instead.
    virtual void ParseXml(const QString& text);
    // The envelope of a well-formed reply: the trimmed texts of type, code and message.
    void SetEnvelope(const QString& typeText, const QString& codeText, const QString& message);
    // A reply that is not XML (an empty body, a proxy's error page) is a failed call, not a
    // repeat of the previous outcome; the payload keeps what the last good reply gave.
    void SetMalformed();
    // The data element of the reply, null when the reply has none. Called for error replies too.
    virtual void ParseData(const QDomElement& data);
    // The whole reply, for raw-text objects.
    virtual void ParseText(const QString& text);

private:
    bool m_rawText;
    quint64 m_lastRequest = 0;
    ResponseType m_type = ResponseType::Success;
    ApiErrorCode m_errorCode = ApiErrorCode::Generic;
    QString m_codeText;
    QString m_message;
};
