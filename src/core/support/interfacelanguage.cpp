#include "support/interfacelanguage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QTextStream>

#include <utility>

const InterfaceLanguage::Entry InterfaceLanguage::Table[3] = {
    {"en", QT_TRANSLATE_NOOP("VPNHelpDialog", "English"), "en/NORVANE_for_WINDOWS_PC_EN.html",
     "en/lessons/Get_Started_Guide.html", "en/lessons/Basic_Troubleshooting.html"},
    {"fr", QT_TRANSLATE_NOOP("VPNHelpDialog", "French"), "fr/NORVANE_pour_PC_WINDOWS_FR.html",
     "fr/lessons/Guide_de_d_marrage.html", "fr/lessons/D_pannage_basique.html"},
    {"de", QT_TRANSLATE_NOOP("VPNHelpDialog", "German"), "de/NORVANE_f_r_WINDOWS_PC_DE.html",
     "de/lessons/Kurzanleitung.html", "de/lessons/Behebung_grundlegender_Probleme.html"},
};

InterfaceLanguage::InterfaceLanguage(QString localeFilePath, QString translationsDirectory)
    : m_localeFilePath(std::move(localeFilePath))
    , m_translationsDirectory(std::move(translationsDirectory))
{ }

QString InterfaceLanguage::ReadLocale(const QString& path)
{
    qDebug() << "Locale file: " << path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("en");
    QTextStream stream(&file);
    stream.setEncoding(QStringConverter::System);
    QString code = stream.readLine();
    qDebug() << "Read locale : (" << code << ")";
    return code;
}

bool InterfaceLanguage::LoadTranslation(const QString& path)
{
    qDebug() << "Loading translation from: " << path;
    return m_translator.load(path);
}

void InterfaceLanguage::InstallTranslator()
{
    const QString code = ReadLocale(m_localeFilePath);
    // A failed load leaves the translator empty; it is only in the application while it holds
    // a translation.
    QCoreApplication::removeTranslator(&m_translator);
    if (LoadTranslation(m_translationsDirectory + QStringLiteral("language_") + code))
        QCoreApplication::installTranslator(&m_translator);
}

int InterfaceLanguage::CurrentRow() const
{
    const QString code = ReadLocale(m_localeFilePath);
    for (int row = 0; row < TableSize; ++row) {
        if (code == QLatin1String(Table[row].code))
            return row;
    }
    return 0;
}

bool InterfaceLanguage::Apply(int row)
{
    bool written = false;
    if (row >= 0 && row < TableSize) {
        QFile file(m_localeFilePath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            const QByteArray code = QString::fromLatin1(Table[row].code).toLocal8Bit();
            written = file.write(code) == code.size();
        }
        if (!written)
            qWarning() << "Cannot write the language file" << m_localeFilePath << file.errorString();
    }
    InstallTranslator();
    return written;
}
