#include "api/vpnapiresponse.h"

#include <QDebug>
#include <QDomDocument>

VPNApiResponse::VPNApiResponse(bool rawText, QObject* parent)
    : QObject(parent)
    , m_rawText(rawText)
{ }

VPNApiResponse::~VPNApiResponse() = default;

VPNApiResponse::ResponseType VPNApiResponse::ResponseTypeFromText(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == QLatin1String("success"))
        return ResponseType::Success;
    if (trimmed == QLatin1String("error"))
        return ResponseType::Error;
    return ResponseType::Unknown;
}

VPNApiResponse::ApiErrorCode VPNApiResponse::ErrorCodeFromText(const QString& text)
{
    static const struct
    {
        const char* text;
        ApiErrorCode code;
    } kCodes[] = {
        {"generic", ApiErrorCode::Generic},
        {"api_key_not_found", ApiErrorCode::ApiKeyNotFound},
        {"api_access_denied", ApiErrorCode::ApiAccessDenied},
        {"api_function_deprecated", ApiErrorCode::ApiFunctionDeprecated},
        {"api_wrong_id", ApiErrorCode::ApiWrongId},
        {"api_function_not_found", ApiErrorCode::ApiFunctionNotFound},
    };
    const QString trimmed = text.trimmed();
    for (const auto& entry : kCodes) {
        if (trimmed == QLatin1String(entry.text))
            return entry.code;
    }
    return ApiErrorCode::Unknown;
}

void VPNApiResponse::Parse(const QString& text)
{
    qDebug() << "API reply:" << text;
    if (m_rawText) {
        ParseText(text);
        emit Finished();
        return;
    }

    ParseXml(text);
    emit Finished();
}

void VPNApiResponse::ApplyReading(const Reading& reading)
{
    reading(*this);
    emit Finished();
}

void VPNApiResponse::ParseXml(const QString& text)
{
    QDomDocument document;
    QString errorMessage;
    int errorLine = 0;
    int errorColumn = 0;
    if (!document.setContent(text, &errorMessage, &errorLine, &errorColumn)) {
        qDebug() << "XML Error at line " << errorLine << "column " << errorColumn << ":" << errorMessage;
        SetMalformed();
        return;
    }

    const QDomElement response = document.firstChildElement(QStringLiteral("response"));
    SetEnvelope(response.firstChildElement(QStringLiteral("type")).text(),
                response.firstChildElement(QStringLiteral("code")).text(),
                response.firstChildElement(QStringLiteral("message")).text());
    ParseData(response.firstChildElement(QStringLiteral("data")));
}

void VPNApiResponse::SetEnvelope(const QString& typeText, const QString& codeText, const QString& message)
{
    m_type = ResponseTypeFromText(typeText);
    m_codeText = codeText.trimmed();
    m_errorCode = ErrorCodeFromText(m_codeText);
    m_message = message.trimmed();
}

void VPNApiResponse::SetMalformed()
{
    m_type = ResponseType::Unknown;
    m_errorCode = ApiErrorCode::Unknown;
}

void VPNApiResponse::SetNetworkError()
{
    m_type = ResponseType::Error;
    m_errorCode = ApiErrorCode::NetworkError;
    emit Finished();
}

void VPNApiResponse::ParseData(const QDomElement&) { }

void VPNApiResponse::ParseText(const QString&) { }
