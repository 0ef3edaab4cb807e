#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "archive/db/foldertree.h"

class MapArchive;

// `{app}/DISCOAGG`: where a disk is put together before it is copied.
QString UpdateDiskStaging(const QString &appDir);

// Model and description of a model list line: the text before its first "-"
// and the text after it, each trimmed. False when the line holds no "-".
bool SplitModelLine(const QString &line, QString *model, QString *description);

// One petrol-ECU version folder of a model that goes on the disk.
struct StagedMapFolder {
    QString model;   // as the list shows it, trimmed
    qint16 version = 0;
    bool operator==(const StagedMapFolder &) const = default;
};

// What a disk carries: the index AUTOADATT.DAT, CR LF lines in the code page of
// `lingua`, and the map folders to copy, in the order of the lines.
struct UpdateDiskPlan {
    QByteArray index;
    QList<StagedMapFolder> folders;
};

// The plan for `selectedLines` (model list lines, in list order): one block per
// model found in the catalogue, with three lines and one folder per record
// whose version and installation are numbers and whose petrol ECU is named.
UpdateDiskPlan PlanUpdateDisk(const MapArchive &archive, const QStringList &selectedLines, int lingua);

// Rebuilds the staging folder from scratch: the index and a copy of each
// planned folder of `{app}/FILER42/AUTOADATT`. Any failure removes the staging
// folder and returns false.
bool BuildUpdateDisk(const QString &appDir, const UpdateDiskPlan &plan, FolderFiles &files);

// How copying the staging folder to the disk went.
struct UpdateDiskCopy {
    FolderCopyResult result = FolderCopyResult::Copied;
    int textId = 0;   // base id of the text telling why, 0 when copied
};

// Replaces the disk's AUTOADATT.DAT and AUTOADATT tree under `targetRoot` with
// the staging folder's. When the old ones cannot be removed the result is
// OldContentsNotRemoved, with the text of what stopped it.
UpdateDiskCopy CopyUpdateDisk(const QString &appDir, const QString &targetRoot, FolderFiles &files);
