// The game's entry point.
#include "app/game.h"

int main() { return RunGame(); }
