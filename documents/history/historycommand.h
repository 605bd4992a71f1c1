#pragma once

#include "app/commandline.h"

// `--history ID`: the versions of one document, oldest first, one per line
// "<dd.MM.yyyy hh:mm:ss>\t<who>\t<what changed>"; `--history 0` the same of the organisation's
// data.
namespace HistoryCommand {
HeadlessCommand command();
} // namespace HistoryCommand
