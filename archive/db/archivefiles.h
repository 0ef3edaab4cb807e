#pragma once
#include <QString>

// `FileEsiste`: mask 16 accepts folders as well as files, mask 0 only files.
bool FileEsiste(const QString &path, int attributes);

// Which side of a copy a failed file operation touched.
enum class FileRole { Source, Destination };

// Base text id (330..336) of the file-error kind of an errno value; 0 for errno 0.
int FileErrorTextId(int errnoValue, FileRole role);

// True when a model code or file name, trimmed, can become one folder or file
// name inside the archive folder on every disk a backup may go to.
bool IsArchiveName(const QString &name);

// The existing subfolder of `parent` whose name equals the trimmed `model`
// without regard to case; the trimmed model when there is none.
QString ModelFolderName(const QString &parent, const QString &model);
