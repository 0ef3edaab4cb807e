#pragma once
#include <QString>

// Text stored under exactly this id (language offset already added), untrimmed;
// "" when there is none.
QString Testo(int id);

// Text of a base id in language `lingua` (1..4).
inline QString TestoL(int baseId, int lingua) { return Testo(baseId + 1000 * (lingua - 1)); }
