#pragma once

// Base ids of the texts the code names (the language offset is added by
// FrameState::id). Only ids whose number would tell a reader nothing are here.
namespace TextId {
inline constexpr int TitleWarning = 170;   // "ATTENZIONE!"
inline constexpr int TitleError = 171;     // "ERRORE!"
inline constexpr int SaveBeforeLeaving = 172;
inline constexpr int LanguageChanged = 185;
inline constexpr int LeaveEditedMapping = 201;
inline constexpr int StartingCaption = 202;
inline constexpr int StartingLabel = 203;
inline constexpr int StartInterrupted = 204;
inline constexpr int ProgrammingCaption = 205;
inline constexpr int SendingMaps = 206;
inline constexpr int SendingMapsInterrupted = 207;
inline constexpr int NewMapsFailed = 208;
inline constexpr int EcuNotProgrammed = 209;
inline constexpr int EcuOldSoftware = 210;
inline constexpr int MapsSent = 211;
inline constexpr int Programming = 212;
inline constexpr int ProgrammingInterrupted = 213;
inline constexpr int QuitWithEdits = 214;
inline constexpr int MapConversionFailed = 224;
inline constexpr int MapStored = 225;
inline constexpr int LinkLost = 308;
inline constexpr int PathOrFileError = 335;
inline constexpr int PortSettingsError = 345;
inline constexpr int RestoreMenu = 369;
inline constexpr int RestoreHeading = 370;
inline constexpr int RestoreQuestion = 373;
inline constexpr int RestoreOtherEcuQuestion = 374;
inline constexpr int RestoreVerified = 375;
inline constexpr int RestoreMismatch = 376;
inline constexpr int MayHoldPartialImage = 377;
inline constexpr int BackupFailed = 378;
inline constexpr int NoBackups = 379;
inline constexpr int Restoring = 380;
inline constexpr int BackupUnreadable = 381;
inline constexpr int ArchiveRepaired = 382;
inline constexpr int SamplesNotWritten = 383;
inline constexpr int TornLineCut = 384;
inline constexpr int MapNotStored = 385;
inline constexpr int ModelNameRefused = 386;
inline constexpr int UpdateDiskDestination = 387;
inline constexpr int AdaptersFound = 388;   // heading of the serial dialog's adapter list, with the count
inline constexpr int PortDevice = 389;      // "Dispositivo: %1" beside the chosen COM
inline constexpr int PortNotFound = 390;    // second lines of 345: why the port did not open
inline constexpr int PortNoPermission = 391;
inline constexpr int PortBusy = 392;
inline constexpr int WireTraceMenu = 393;   // Utilities: serial wire trace for support
// The highest id in use: every id up to it is filled in every language.
inline constexpr int LastUsed = 393;
}   // namespace TextId
