#pragma once
#include <QString>
#include <QStringList>
#include <memory>

#include "app/framestate.h"

class QLockFile;

// Application folder: `--app-dir DIR` when given, else the executable's folder.
// Returns "" and sets `error` on a bad command line.
QString CartellaApplicazione(const QStringList &arguments, const QString &exeDir, QString *error);

// Surrounding blanks and one trailing separator removed (the root becomes "").
QString NormalizzaPercorso(const QString &folder);

// Sets EdizioneQEL / EdizioneTUBAN from an edition code (upper-cased, trimmed).
void LeggiEdizione(FrameState &frame, const QString &code);

// The edition code this program was built with.
QString CodiceEdizione();

// Holds the per-folder lock that keeps a second copy off the same application
// folder; null when another copy already holds it.
std::unique_ptr<QLockFile> BloccaIstanza(const QString &percorsoApp);
