// What the dump and the load of the JSON form share: the document's name and version, the
// keys that name records and shared blocks, bytes as hex text and the text form of a field.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "templates/template_format.h"

namespace qn::json_form {

inline constexpr std::string_view kFormatName = "quillnet-dump";
inline constexpr int kFormatVersion = 1;

inline constexpr const char* kId = "id";
// {"shared": id, "field": "data"}: the block of that record's field (this key when no field).
inline constexpr const char* kShared = "shared";
inline constexpr const char* kField = "field";
// {"record": id}: an inherited part that a pointer record stands for (its data block).
inline constexpr const char* kRecord = "record";

// The payload a dump reads of one data block at most.
inline constexpr int64_t kPayloadLimit = int64_t(16) << 20;

// Lower-case hex, two digits a byte.
std::string Hex(std::span<const uint8_t> bytes);
// The bytes of a hex text (either case); nullopt when it is not whole pairs of hex digits.
std::optional<std::vector<uint8_t>> ParseHex(std::string_view hex);

// A field's value as the data editor shows it, whole (real texts not cut, passwords as
// stored), except a DATE that holds no date: the editor shows today for it, the dump
// nothing, so a dump does not change with the day it is made.
std::string FieldText(const TemplateField& field, std::span<const uint8_t> bytes);

// Why a template row cannot lay out a field (a type code no field has, more bytes than a
// field value may hold); empty when it can.
std::string RowFault(const TemplateField& row);

}  // namespace qn::json_form
