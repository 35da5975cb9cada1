#pragma once

// Helpers for writing records of older layouts: the element classes store only the newest.

#include <cstdint>
#include <string_view>
#include <vector>

// Rewrites the schema stored with the first object of a class in an archive's bytes, as an
// older program would have written it.
void setStoredSchema(std::vector<uint8_t>& bytes, std::string_view className, uint32_t schema);
