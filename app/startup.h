#pragma once

// The whole life of the program: start-up, event loop, tear-down.
int runApplication(int argc, char **argv);
