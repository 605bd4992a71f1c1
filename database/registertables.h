#pragma once

// Every table of a register, named as the program's SQL names them, with the column
// that orders its rows. What copies, compares or looks for a register's tables reads
// this list, so a new table is added here once.
namespace RegisterTables {
struct Table
{
    const char *name;
    const char *key;
    // The key is an identity column: after rows were copied with their ids, new rows
    // must get ids after them.
    bool keyIsIdentity;
    // Written only by a server register: a source without rows of it (a file register,
    // or one made before the table) leaves the target's rows as they are.
    bool keptWhenSourceHasNone;
};

inline constexpr Table all[] = {{"Variables", "Name", false, false},
                                {"PsDocuments", "psId", true, false},
                                {"PsDocumentDetails", "psDetId", true, false},
                                {"PrintJournal", "journalId", true, false},
                                {"PsDocumentHistory", "historyId", true, false},
                                {"ReportTemplates", "reportId", false, true}};
} // namespace RegisterTables
