#pragma once
// The modal systems of the engine, by the properties of their frames.

#include <cstdint>
#include <string_view>

namespace logic {

enum class ModalSystem : std::uint8_t { K, T, D, B, K4, S4, S5 };

const char *systemName(ModalSystem system);
/// "K", "t", "s4"...; false for anything else.
bool parseSystemName(std::string_view text, ModalSystem &system);
bool isReflexive(ModalSystem s);
bool isSymmetric(ModalSystem s);
bool isTransitive(ModalSystem s);
bool isSerial(ModalSystem s);

} // namespace logic
