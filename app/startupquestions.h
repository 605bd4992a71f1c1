#pragma once

// What the start-up asks the user when the register cannot simply be opened, and the
// notices it gives once the window is up. The storage layer only says what it found;
// every question about it is asked here.
namespace StartupQuestions {
enum class Outcome {
    Opened,     // the register is open: the start goes on
    Left,       // the user chose to leave, nothing was changed
    CannotGoOn, // told the user why the program cannot go on
    NewChoice,  // the user chose another register: take it into use and open it
};

// Takes the register chosen in the preferences into use for the next openRegister(): a
// server, or the file in the data folder. False (told) when the stored server address
// does not read.
bool takeRegisterChoice();

// Opens the register in the data folder: a register in use (Retry/Exit), one that
// cannot be read (said so, left alone), a damaged one (the newest good backup offered),
// a file that is not a register (replaced by a new register once the user agrees). A
// server that cannot be used is said in words with Retry, the register settings and
// Exit; the file in the data folder is never taken in its place.
Outcome openRegister();
// After an upgrade on a data folder of the user's choice: how to take the new
// templates into use.
void noticeVersionChange();
} // namespace StartupQuestions
