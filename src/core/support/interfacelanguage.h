#pragma once

#include <QString>
#include <QTranslator>

/**
 * The interface language: a two-letter code in the language file, one process-wide translator
 * loaded from "language_<code>" in the translations folder, and the table of languages the
 * program offers with their manual pages. A missing file, a code without translation or a
 * failed load all mean the built-in English texts.
 */
class InterfaceLanguage
{
public:
    struct Entry
    {
        const char* code;
        // Shown translated in the context of the help dialog.
        const char* name;
        const char* manualPage;
        const char* gettingStartedPage;
        const char* troubleshootingPage;
    };
    static const Entry Table[3];
    static constexpr int TableSize = 3;

    InterfaceLanguage(QString localeFilePath, QString translationsDirectory);
    InterfaceLanguage(const InterfaceLanguage&) = delete;
    InterfaceLanguage& operator=(const InterfaceLanguage&) = delete;

    QTranslator& Translator() { return m_translator; }
    QString LocaleFilePath() const { return m_localeFilePath; }

    // The first line of the language file; "en" when it cannot be read.
    static QString ReadLocale(const QString& path);
    bool LoadTranslation(const QString& path);
    // Loads the translation of the code in the language file and puts the translator into the
    // application when it holds one.
    void InstallTranslator();
    // The table row of the code in the language file (read again); 0 for a code not in the table.
    int CurrentRow() const;
    // Writes the row's code into the language file, then installs the translator again, also
    // when the write failed (the language then stays as it was). False when it could not write.
    bool Apply(int row);

private:
    QString m_localeFilePath;
    QString m_translationsDirectory;
    QTranslator m_translator;
};
