#pragma once

#include <QByteArray>

// The files our web server sends are a few levels deep. A hostile one nested many
// thousand levels deep overflows the stack of the recursive DOM parser, so such a
// file is refused before it reaches QDomDocument.
namespace ServerXml {
constexpr int maxDepth = 64;
// True when the whole document reads without error and nests no deeper than maxDepth.
bool isShallow(const QByteArray &data);
} // namespace ServerXml
