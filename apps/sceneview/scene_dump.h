// The loaded scene as JSON: viewport values, the part tree, the lights and the texture slots.
#pragma once

#include <cstdio>
#include <string>

class TOpenGl;
class TPart;

void DumpScene(FILE* out, TOpenGl* gl);
// JSON text for a float or double that reads back to the same value; NaN and infinities as strings.
std::string JsonNumber(double v, int digits);
// A JSON string literal; bytes outside ASCII are taken as Latin-1.
std::string JsonString(const std::string& s);
// The part's class name, as the dump writes it.
const char* PartClassName(TPart* p);
