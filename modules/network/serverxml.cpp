#include "serverxml.h"

#include <QXmlStreamReader>

bool ServerXml::isShallow(const QByteArray &data)
{
    // The stream reader keeps no stack of its own, whatever the depth.
    QXmlStreamReader reader(data);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && ++depth > maxDepth)
            return false;
        if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    return !reader.hasError();
}
