#include "engine.h"

#include "app/debuglog.h"

Engine::Engine(QObject *parent)
    : QObject(parent)
{}

Engine::~Engine() = default;

void Engine::onDocumentPrint(int type, int sqlDocId, bool printBackground)
{
    ZR_LOG() << "onDocumentPrint" << type << sqlDocId << printBackground;
}
