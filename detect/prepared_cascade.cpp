#include "detect/prepared_cascade.h"

void PreparedCascadeDeleter::operator()(PreparedCascade* prepared) const { delete prepared; }
