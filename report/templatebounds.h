#pragma once

#include <QString>

#include <initializer_list>

// The integers a report template gives for places, sizes and counts go into
// sums and products of report units and printer dots. Each is read within a
// range far inside what those can hold; one outside it is logged, naming
// what it belongs to, as the template is read, and never reaches the layout.
namespace TemplateBounds {

// One integer of a template element, by its attribute's name.
struct Number
{
    const char* name;
    int& value;
};

// Logs each of `numbers` outside [min, max] with `outcome`, what becomes of
// it; true when any was. The caller then sets what it reads instead.
bool outside(const QString& owner, std::initializer_list<Number> numbers, int min, int max, const char* outcome);

// Each of `numbers` outside [min, max] counts as the nearer bound, logged.
void clamp(const QString& owner, std::initializer_list<Number> numbers, int min, int max);

} // namespace TemplateBounds
