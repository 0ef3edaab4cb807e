#pragma once
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QtGlobal>

#include "link/linkstate.h"

// Identification replies of the ECU: the plausibility check of "R8" and the
// storing of "R8" and of the old "R4" into EcuIdentity.

// Defect bits of an "R8" reply.
enum DifettoIdentificazione : qint16 {
    DifettoVersioneHw = 1,
    DifettoDataInstallazione = 2,
    DifettoDataRevisione = 4,
    DifettoTipoInstallazione = 8,
};

qint16 VerificaIdentificazione(const QByteArray &frame);

// Day, month and year texts as a calendar date; false for anything that is not a real day.
bool DataGiornoMeseAnno(QByteArrayView day, QByteArrayView month, QByteArrayView year, QDate *date);

// Stores a 61-character "R8" reply (defect flags included).
void MemorizzaR8(EcuIdentity &id, const QByteArray &frame);
// Stores a 41-character "R4" reply; FlagIdentificazione is left as it was.
void MemorizzaR4(EcuIdentity &id, const QByteArray &frame);

// 0 when the trimmed software version ends in "AA" (any case), else 1.
quint8 VariantOfSoftwareVersion(const QString &versioneSoftware);
