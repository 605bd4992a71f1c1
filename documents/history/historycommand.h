#pragma once

#include "app/commandline.h"

// `--history ID`: the versions of one document, oldest first, one per line
// "<dd.MM.yyyy hh:mm:ss>\t<who>\t<what changed>".
namespace HistoryCommand {
HeadlessCommand command();
} // namespace HistoryCommand
