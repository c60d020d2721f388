#pragma once

#include <QIcon>

#include <functional>

// The program's pictures. Each is read the first time it is drawn or asked
// for, and only in the size asked for, not when its icon is made: a picture
// on a hidden page is not read before the page shows.
//
// The buttons' pictures and the connection lights are drawn from their SVG
// sources (resources/icons/) at build time into PNGs of 16, 24, 32 and 48
// pixels, the sizes a 16-pixel picture takes on screens at 100, 150, 200
// and 300 %: reading one needs neither Qt's SVG plugins nor any other image
// plugin.
namespace Figuras {

// The picture `nome` ("gerar", "conectado", …).
QIcon figura(const char *nome);

// The program's icon, drawn from its SVG at whatever size is asked for.
QIcon iconePrograma();

// An icon made by `cria` the first time anything of it is asked for.
QIcon adiado(std::function<QIcon()> cria);

// `icone` drawn as it is in every mode: a disabled button that shows it
// keeps its normal picture instead of a greyed one. Reads nothing now.
QIcon semAcinzentar(const QIcon &icone);

} // namespace Figuras
