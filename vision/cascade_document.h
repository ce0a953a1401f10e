#pragma once
// The walk over a parsed cascade document that fills a HaarCascade: the part of the loader that
// knows the element layout of the cascade format.

#include "vision/haar_cascade.h"

#include <cstdio>
#include <memory>

class TiXmlDocument;

// The cascade in an open file, read whole from its first byte; null, with one line saying why,
// when it is not UTF-8 text the parser can take safely or describes no cascade.
std::unique_ptr<HaarCascade> cascadeFromFile(std::FILE* file);

// The cascade the document describes, or null when it describes none; then exactly one
// diagnostic line says what was refused (for zero stages, createHaarCascade's own line).
std::unique_ptr<HaarCascade> cascadeFromDocument(const TiXmlDocument& document);
