#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QUrl>

// One row of the script table: how a named script of the service is reached.
struct ScriptInfo
{
    const char* name;
    bool secure;
    // API version path segment; negative means path replaces host and version.
    int version;
    const char* path;
    int method;
};

// One prepared call of a service script: where it goes, how, and with which form fields.
// Fields are kept sorted by key, so the wire order never depends on the caller.
struct VPNApiMessage
{
    enum Method
    {
        Get = 0,
        Post = 1
    };

    int method = Post;
    QString url;
    QMap<QString, QString> parameters;

    bool IsGet() const { return method == Get; }
};

// The scripts the client calls, in table order.
const ScriptInfo* ScriptTable(int* count);
// Exact, case-sensitive look-up; null for a script that is not in the table.
const ScriptInfo* FindScript(const QString& name);

// Builds the message for script on the given API host (host may carry ":port"); apiKey is added
// as form field api_key. An unknown script gives a message with an empty url.
VPNApiMessage BuildMessage(const QString& host, const QString& apiKey, const QString& script,
                           const QMap<QString, QString>& parameters);

// "key=value" pairs joined with "&", in key order, each name and value form-encoded
// (UTF-8, application/x-www-form-urlencoded). Plain alphanumeric text goes out unchanged.
QByteArray EncodedParameters(const VPNApiMessage& message);
// One name or value in form encoding: unreserved characters stay, space becomes "+".
QByteArray FormEncode(const QString& text);
// The POST body (empty for GET).
QByteArray RequestBody(const VPNApiMessage& message);
// The address to request: url, plus "?" and the encoded parameters for GET.
QUrl RequestUrl(const VPNApiMessage& message);
