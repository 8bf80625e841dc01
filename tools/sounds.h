#pragma once
// The program's two sound effects, synthesised from fixed numbers and a
// fixed-seed noise generator, as mono 16-bit samples at kRate.
#include <QtGlobal>
#include <vector>

constexpr int kRate = 44100;

// SE/oku.jov: the click of a move and of the menu.
std::vector<qint16> placeSound();
// SE/BANG.jov: the bang of the opening.
std::vector<qint16> bangSound();
