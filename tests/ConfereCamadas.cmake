# The layers hold (README, "Layout"):
#  - widget and printing code lives only in src/shell/, the gui/ folders and
#    src/main.cpp (the window's program): no other source includes a header
#    of Qt Widgets or Qt Print Support;
#  - the core's folders include one way, each only its own headers and
#    those of the folders below it:
#      common <- store <- package <- intake, transfer, history <- cli, shell
#    (the three of one step do not include each other, nor do cli and shell;
#    a folder's gui/ is part of that folder; src/main.cpp is above them all);
#  - every window keeps its widgets and state: no frm*.h declares a data
#    member of its window outside a private section;
#  - shell/AcessoBancada.h, the drivers' way into the main window, is
#    included by no source of the program.
#   cmake -DFONTES=<src> "-DCABECALHOS_QT=<QtWidgets folder>;<QtPrintSupport folder>" -P ConfereCamadas.cmake
cmake_minimum_required(VERSION 3.25)

# The headers of the two modules, by the names a source includes them by.
set(proibidos)
foreach(pasta ${CABECALHOS_QT})
    if(NOT IS_DIRECTORY "${pasta}")
        message(FATAL_ERROR "no Qt header folder ${pasta}")
    endif()
    file(GLOB nomes RELATIVE "${pasta}" "${pasta}/*")
    list(APPEND proibidos ${nomes})
endforeach()

# The lines of a file as a list: its ';' and brackets, which a CMake list
# reads as its own, are put aside first.
function(linhas arquivo saida)
    file(READ "${arquivo}" texto)
    string(REPLACE ";" "<pv>" texto "${texto}")
    string(REPLACE "[" "<ac>" texto "${texto}")
    string(REPLACE "]" "<fc>" texto "${texto}")
    string(REPLACE "\n" ";" texto "${texto}")
    set(${saida} "${texto}" PARENT_SCOPE)
endfunction()

# The step of a path's folder in the order above; -1 for a path outside
# the core's folders (a Qt or system header).
function(camada caminho saida)
    set(passo -1)
    if(caminho MATCHES "^common/")
        set(passo 0)
    elseif(caminho MATCHES "^store/")
        set(passo 1)
    elseif(caminho MATCHES "^package/")
        set(passo 2)
    elseif(caminho MATCHES "^(intake|transfer|history)/")
        set(passo 3)
    elseif(caminho MATCHES "^(cli|shell)/")
        set(passo 4)
    elseif(caminho MATCHES "^[^/]+$" AND EXISTS "${FONTES}/${caminho}")
        set(passo 5)
    endif()
    set(${saida} ${passo} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE fontes "${FONTES}/*.cpp" "${FONTES}/*.h")
foreach(fonte ${fontes})
    file(RELATIVE_PATH relativo "${FONTES}" "${fonte}")
    linhas("${fonte}" conteudo)
    foreach(linha IN LISTS conteudo)
        if(NOT linha MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
            continue()
        endif()
        set(cabecalho "${CMAKE_MATCH_1}")
        camada("${relativo}" acima)
        camada("${cabecalho}" abaixo)
        string(REGEX MATCH "^[a-z]+/" pasta "${relativo}")
        string(REGEX MATCH "^[a-z]+/" pastaIncluida "${cabecalho}")
        if(abaixo GREATER_EQUAL 0 AND NOT pasta STREQUAL pastaIncluida AND NOT abaixo LESS acima)
            message(SEND_ERROR "src/${relativo} includes \"${cabecalho}\": the folders include one way "
                               "(common <- store <- package <- intake, transfer, history <- cli, shell)")
        endif()
        if(relativo MATCHES "^shell/" OR relativo MATCHES "(^|/)gui/" OR relativo STREQUAL "main.cpp")
            continue()
        endif()
        string(REGEX REPLACE "^(QtWidgets|QtPrintSupport)/" "" nome "${cabecalho}")
        list(FIND proibidos "${nome}" achado)
        if(cabecalho MATCHES "^(QtWidgets|QtPrintSupport)(/|$)" OR (NOT nome MATCHES "/" AND achado GREATER -1))
            message(SEND_ERROR "src/${relativo} includes <${cabecalho}>, a Qt Widgets or Print Support header, "
                               "outside src/shell/ and the gui/ folders")
        endif()
    endforeach()
endforeach()

# Each window's data members (a declaration with no parenthesis) are
# private: a window's widgets and state are its own.
file(GLOB_RECURSE janelas "${FONTES}/frm*.h")
if(NOT janelas)
    message(SEND_ERROR "no window header (frm*.h) under ${FONTES}")
endif()
foreach(janela ${janelas})
    file(RELATIVE_PATH relativo "${FONTES}" "${janela}")
    linhas("${janela}" conteudo)
    set(classe "")
    set(acesso private)
    set(numero 0)
    foreach(linha IN LISTS conteudo)
        math(EXPR numero "${numero} + 1")
        if(linha MATCHES "^class (frm[A-Za-z0-9_]*) ")
            set(classe "${CMAKE_MATCH_1}")
            set(acesso private)
            continue()
        endif()
        if(classe STREQUAL "")
            continue()
        endif()
        if(linha MATCHES "^}<pv>")
            set(classe "")
        elseif(linha MATCHES "^[ \t]*(public|protected|private)( Q_SLOTS)?:")
            set(acesso "${CMAKE_MATCH_1}")
        elseif(linha MATCHES "^[ \t]*Q_SIGNALS:")
            set(acesso signals)
        elseif(NOT acesso STREQUAL "private" AND NOT linha MATCHES "[()]"
               AND linha MATCHES "^[ \t]+[A-Za-z_][A-Za-z0-9_:<>, *&]*[ \t*&]+[A-Za-z_][A-Za-z0-9_]*(<ac>[A-Za-z0-9_]*<fc>)*[ \t]*(=[^<]*|{[^}]*})?<pv>"
               AND NOT linha MATCHES "^[ \t]*(using|friend|typedef|enum|struct|class|static_assert) ")
            string(REPLACE "<pv>" ";" linha "${linha}")
            string(REPLACE "<ac>" "[" linha "${linha}")
            string(REPLACE "<fc>" "]" linha "${linha}")
            string(STRIP "${linha}" linha)
            message(SEND_ERROR "src/${relativo}:${numero}: \"${linha}\" is a ${acesso} member of the window "
                               "${classe}: its widgets and state are its own (private)")
        endif()
    endforeach()
endforeach()

# The drivers' way into the main window is theirs: no source of the program
# includes it.
foreach(fonte ${fontes})
    file(RELATIVE_PATH relativo "${FONTES}" "${fonte}")
    file(STRINGS "${fonte}" inclusoes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]shell/AcessoBancada\\.h[>\"]")
    if(inclusoes)
        message(SEND_ERROR "src/${relativo} includes shell/AcessoBancada.h, the bench and test drivers' way "
                           "into the main window")
    endif()
endforeach()
