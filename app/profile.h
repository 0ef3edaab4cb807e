#pragma once
#include <QString>

// Profile files ("[section]" and "key=value" lines) read and written the way the
// program has always expected: section and key names compared without case,
// values trimmed, everything else in the file (other sections, keys, comments,
// order) kept when one key is written, and the file created when missing.
namespace Profile {

// Value of section/key, or `defaultValue` when the file, section or key is missing.
QString read(const QString &path, const QString &section, const QString &key, const QString &defaultValue);

// Whether the key is present (a present key with an empty value counts).
bool contains(const QString &path, const QString &section, const QString &key);

// Writes one key; false when the file cannot be written (the old file then stays as it was).
bool write(const QString &path, const QString &section, const QString &key, const QString &value);

}   // namespace Profile
