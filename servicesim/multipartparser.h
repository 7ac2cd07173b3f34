#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// One part of a multipart/form-data body.
struct MultipartPart
{
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray name;
    QByteArray fileName;
    QByteArray content;

    QByteArray Header(const QByteArray& headerName) const;
};

// Splits multipart/form-data bodies into their parts.
class MultipartParser
{
public:
    // The boundary parameter of a Content-Type value, empty when there is none.
    static QByteArray BoundaryOf(const QByteArray& contentType);
    // False when the body is not a complete multipart body for that boundary.
    static bool Parse(const QByteArray& body, const QByteArray& boundary, QList<MultipartPart>* parts);
};
