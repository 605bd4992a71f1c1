#pragma once

#include <QString>

// Why a register could not be opened, looked at or copied. Each kind has its own
// message and its own safe path; none of them stands for "something went wrong".
struct RegisterFailure
{
    enum class Kind {
        None,         // nothing stands in the way
        Missing,      // there is no register yet
        Empty,        // the file is there but holds nothing at all
        Busy,         // another program holds it: try again once it is done
        Damaged,      // it is a register, but pages of it (or its header) are broken
        Unreadable,   // permissions or an I/O error: it cannot be read at all
        NotARegister, // a file of another kind, or a register of a structure not ours
        Unwritable,   // the folder or the disk refuses a write the program must make
        Unreachable,  // the register's server is stopped, or cannot be reached
        Refused,      // the server turns the user away: password, role or rights
        OldServer,    // the server is older than the register's SQL needs
        Untrusted,    // the server's certificate is not the one its SSL mode asks for
    };

    Kind kind = Kind::None;
    QString detail; // the driver's or the system's words
    // For a damaged register: whether it still opens as it is (only some pages are
    // broken). A broken header page leaves nothing of it to read.
    bool readable = true;

    bool ok() const { return kind == Kind::None; }
    static RegisterFailure of(Kind kind, const QString &detail = QString());
    // One sentence for the command line: what stands in the way of the register at
    // `location`.
    QString text(const QString &location) const;
};
