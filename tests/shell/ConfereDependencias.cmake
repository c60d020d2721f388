# The programs start without Qt Network, Qt Print Support, libzip and SQLite:
# only their modules link the first two, libzip is loaded when first needed,
# and SQLite comes with Qt's SQLite driver. A
# class or a function of any of them called directly from the core or the
# windows would link it into every program again, and the window would load
# it at start-up; this test says so.
#   cmake -DREADELF=... -DPROGRAMAS=a;b -DMODULOS=rede.so=libQt6Network;... -P ConfereDependencias.cmake
# For the Windows edition READELF is MinGW's objdump, and the names are the
# DLLs' (Qt6Network.dll, libzip.dll).
cmake_minimum_required(VERSION 3.25)

function(dependencias arquivo saida)
    if(READELF MATCHES "objdump$")
        execute_process(COMMAND ${READELF} -p ${arquivo} OUTPUT_VARIABLE texto RESULT_VARIABLE resultado TIMEOUT 30)
        string(REGEX MATCHALL "DLL Name: [^\n]+" linhas "${texto}")
        set(padrao "DLL Name: ([^\n]+)")
    else()
        execute_process(COMMAND ${READELF} -d ${arquivo} OUTPUT_VARIABLE texto RESULT_VARIABLE resultado TIMEOUT 30)
        string(REGEX MATCHALL "\\(NEEDED\\)[^[]*\\[[^]]+\\]" linhas "${texto}")
        set(padrao ".*\\[([^]]+)\\]")
    endif()
    if(NOT resultado EQUAL 0)
        message(FATAL_ERROR "${READELF} ${arquivo} failed")
    endif()
    set(nomes)
    foreach(linha ${linhas})
        string(REGEX REPLACE "${padrao}" "\\1" nome "${linha}")
        list(APPEND nomes ${nome})
    endforeach()
    set(${saida} "${nomes}" PARENT_SCOPE)
endfunction()

foreach(programa ${PROGRAMAS})
    dependencias(${programa} nomes)
    foreach(nome ${nomes})
        if(nome MATCHES "^(libQt6Network|libQt6PrintSupport|Qt6Network|Qt6PrintSupport|libzip|libsqlite3)[.-]")
            message(SEND_ERROR "${programa} links ${nome}")
        endif()
    endforeach()
endforeach()

foreach(par ${MODULOS})
    string(REPLACE "=" ";" par "${par}")
    list(GET par 0 modulo)
    list(GET par 1 esperada)
    dependencias(${modulo} nomes)
    list(FILTER nomes INCLUDE REGEX "^(lib)?${esperada}\\.")
    if(NOT nomes)
        message(SEND_ERROR "${modulo} does not link ${esperada}")
    endif()
endforeach()
