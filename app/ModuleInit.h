#pragma once
// What every module must do before the first window is made: the picture
// formats join the picture class in the order that decides which class
// reads an extension (the last registration wins), and the skin library's
// object classes and file filters register for streaming. Safe to call more
// than once.

void InitializeModules();
