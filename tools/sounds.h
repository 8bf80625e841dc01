#pragma once
#include <QtGlobal>
#include <vector>

constexpr int kRate = 44100;

// A disc set down on the board.
std::vector<qint16> placeSound();
// The bang of the opening screen.
std::vector<qint16> bangSound();
