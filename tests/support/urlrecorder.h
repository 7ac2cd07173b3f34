#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

// Takes the place of the desktop's https handler while it lives and keeps the addresses the
// program asked it to open.
class UrlRecorder final : public QObject
{
    Q_OBJECT

public:
    UrlRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open"); }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }

    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls.append(url); }
};
