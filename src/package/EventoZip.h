#pragma once

#include <QString>

#include <cstdint>

// What a ZIP job reports while it works: the action, the item it acts on and
// how much of the step is done. The engine reports these; the window writes
// each one into its status box as a status text, the console shows its
// progress line (StatusZip.h).

// The actions of the program's own ZIP jobs; each value is the code its
// status text carries.
enum class AcaoZip : std::int16_t {
    Zipando = 12,
    Zipado = 13,
    Deszipando = 14,
    Deszipado = 15,
    Testando = 16,
    Testado = 17,
};

struct EventoZip
{
    AcaoZip acao = AcaoZip::Zipando;
    // The entry or file acted on, by its bare name.
    QString item;
    // Share of the step done, 0 to 100.
    int percentual = 0;

    bool operator==(const EventoZip &) const = default;
};
