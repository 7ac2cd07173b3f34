#pragma once

#include <QByteArray>
#include <QStringList>

// Whole-file reads and writes, permission bits and the log file's messages, for tests that
// look at what the program left on disk.

// The file's bytes; empty when it cannot be read.
QByteArray ReadFile(const QString& path);
// Creates or replaces the file with exactly these bytes.
bool WriteFile(const QString& path, const QByteArray& content);
// The permission bits (st_mode & 0777); 0 when the file does not exist.
uint FileMode(const QString& path);
// The unscrambled message of each line of a log file in the log handler's format.
QStringList LogFileMessages(const QString& path);
