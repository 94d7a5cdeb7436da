// A fixed table of values and the words that name them: the value of a word, the word of a value.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

template <class T, std::size_t N> using NameTable = std::array<std::pair<T, const char*>, N>;

// The value the word names; nothing for a word the table lacks.
template <class T, std::size_t N>
std::optional<T> ValueOfName(const NameTable<T, N>& table, const std::string& word) {
    for (const auto& [value, name] : table) {
        if (word == name)
            return value;
    }
    return std::nullopt;
}

// The word of a value; "" for a value the table lacks.
template <class T, std::size_t N> const char* NameOfValue(const NameTable<T, N>& table, T value) {
    for (const auto& [each, name] : table) {
        if (each == value)
            return name;
    }
    return "";
}
