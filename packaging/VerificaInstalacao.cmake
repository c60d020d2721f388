# Installs each component of a built tree into a folder of its own and checks
# that it holds exactly the files of its package: the client's programs,
# helper and modules, launcher, metadata, icons, manuals and docs; the server,
# its manual, docs, systemd unit and options file; and that no install rule
# was left without a component (those would end up in no package).
# Installed with DESTDIR, as a package is built: the files under /etc and
# the unit's folder, absolute, land inside the test's folder too.
#   cmake -DPASTA_BUILD=... -DDESTINO=... -DPREFIXO=... -DSYSCONFDIR=... -DUNIDADES_SYSTEMD=...
#         -DID=... -DBINDIR=... -DLIBEXECDIR=... -DLIBDIR=... -DDATADIR=... -DMANDIR=...
#         -DICONES_PNG=ON|OFF -P VerificaInstalacao.cmake
cmake_minimum_required(VERSION 3.25)

set(falhas)

function(instala componente)
    file(REMOVE_RECURSE ${DESTINO}/${componente})
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${DESTINO}/${componente}
                ${CMAKE_COMMAND} --install ${PASTA_BUILD} --component ${componente}
        RESULT_VARIABLE resultado OUTPUT_QUIET ERROR_VARIABLE erro TIMEOUT 60)
    if(NOT resultado EQUAL 0)
        message(FATAL_ERROR "cmake --install --component ${componente} failed: ${erro}")
    endif()
endfunction()

# The files below ${DESTINO}/<componente>, relative and sorted.
function(arquivos componente saida)
    file(GLOB_RECURSE lista LIST_DIRECTORIES false RELATIVE ${DESTINO}/${componente} ${DESTINO}/${componente}/*)
    list(SORT lista)
    set(${saida} "${lista}" PARENT_SCOPE)
endfunction()

function(confere componente esperados)
    list(SORT esperados)
    arquivos(${componente} achados)
    if(NOT achados STREQUAL esperados)
        set(a_mais ${achados})
        list(REMOVE_ITEM a_mais ${esperados})
        set(faltando ${esperados})
        if(achados)
            list(REMOVE_ITEM faltando ${achados})
        endif()
        list(APPEND falhas "${componente}: missing [${faltando}], unexpected [${a_mais}]")
        set(falhas ${falhas} PARENT_SCOPE)
    endif()
endfunction()

# Width and height of a PNG, from its IHDR chunk.
function(tamanho_png arquivo saida)
    file(READ ${arquivo} cabecalho OFFSET 16 LIMIT 8 HEX)
    string(SUBSTRING ${cabecalho} 0 8 largura)
    string(SUBSTRING ${cabecalho} 8 8 altura)
    math(EXPR largura "0x${largura}")
    math(EXPR altura "0x${altura}")
    set(${saida} "${largura}x${altura}" PARENT_SCOPE)
endfunction()

instala(cliente)
instala(servidor)
instala(Unspecified)

# The relative folders as they lie under the installation's prefix; the
# absolute ones as they are, both without the leading "/".
string(REGEX REPLACE "^/+" "" raiz "${PREFIXO}/")
foreach(pasta BINDIR LIBEXECDIR LIBDIR DATADIR MANDIR)
    if(NOT IS_ABSOLUTE ${${pasta}})
        set(${pasta} ${raiz}${${pasta}})
    endif()
    string(REGEX REPLACE "^/+" "" ${pasta} ${${pasta}})
endforeach()
string(REGEX REPLACE "^/+" "" SYSCONFDIR ${SYSCONFDIR})
string(REGEX REPLACE "^/+" "" UNIDADES_SYSTEMD ${UNIDADES_SYSTEMD})
set(docs_cliente ${DATADIR}/doc/tavo-upload)
set(docs_servidor ${DATADIR}/doc/tavo-upload-server)

set(cliente
    ${BINDIR}/tavo-upload
    ${BINDIR}/tavo-upload-cli
    ${LIBEXECDIR}/tavo-upload/tavo-leitor-jet
    ${LIBDIR}/tavo-upload/tavo-rede.so
    ${LIBDIR}/tavo-upload/tavo-impressao.so
    ${DATADIR}/applications/${ID}.desktop
    ${DATADIR}/metainfo/${ID}.metainfo.xml
    ${DATADIR}/icons/hicolor/scalable/apps/${ID}.svg
    ${MANDIR}/man1/tavo-upload.1.gz
    ${MANDIR}/man1/tavo-upload-cli.1.gz
    ${docs_cliente}/copyright
    ${docs_cliente}/changelog.Debian.gz
    ${docs_cliente}/examples/tavo-upload.conf
    ${docs_cliente}/examples/tavo-upload-envio.service
    ${docs_cliente}/examples/tavo-upload-envio.timer
    ${DATADIR}/lintian/overrides/tavo-upload)
set(lados 16 22 24 32 48 64 128 256)
if(ICONES_PNG)
    foreach(lado ${lados})
        list(APPEND cliente ${DATADIR}/icons/hicolor/${lado}x${lado}/apps/${ID}.png)
    endforeach()
endif()
confere(cliente "${cliente}")
confere(servidor "${BINDIR}/tavo-upload-server;${MANDIR}/man1/tavo-upload-server.1.gz;\
${docs_servidor}/copyright;${docs_servidor}/changelog.Debian.gz;${DATADIR}/lintian/overrides/tavo-upload-server;\
${UNIDADES_SYSTEMD}/tavo-upload-server.service;${SYSCONFDIR}/default/tavo-upload-server")
confere(Unspecified "")

foreach(programa ${BINDIR}/tavo-upload ${BINDIR}/tavo-upload-cli ${LIBEXECDIR}/tavo-upload/tavo-leitor-jet)
    if(EXISTS ${DESTINO}/cliente/${programa})
        execute_process(COMMAND test -x ${DESTINO}/cliente/${programa} RESULT_VARIABLE executavel)
        if(NOT executavel EQUAL 0)
            list(APPEND falhas "${programa} is not executable")
        endif()
    endif()
endforeach()

if(ICONES_PNG)
    foreach(lado ${lados})
        set(png ${DESTINO}/cliente/${DATADIR}/icons/hicolor/${lado}x${lado}/apps/${ID}.png)
        if(EXISTS ${png})
            tamanho_png(${png} tamanho)
            if(NOT tamanho STREQUAL "${lado}x${lado}")
                list(APPEND falhas "${lado}x${lado} icon is ${tamanho}")
            endif()
        endif()
    endforeach()
endif()

# The launcher names the icon that was installed and the metadata names the launcher.
if(EXISTS ${DESTINO}/cliente/${DATADIR}/applications/${ID}.desktop)
    file(STRINGS ${DESTINO}/cliente/${DATADIR}/applications/${ID}.desktop icone REGEX "^Icon=")
    if(NOT icone STREQUAL "Icon=${ID}")
        list(APPEND falhas "the launcher's icon is \"${icone}\", not ${ID}")
    endif()
endif()
if(EXISTS ${DESTINO}/cliente/${DATADIR}/metainfo/${ID}.metainfo.xml)
    file(READ ${DESTINO}/cliente/${DATADIR}/metainfo/${ID}.metainfo.xml metainfo)
    if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">${ID}\\.desktop</launchable>")
        list(APPEND falhas "the metadata does not name the launcher ${ID}.desktop")
    endif()
endif()

if(falhas)
    list(JOIN falhas "\n  " texto)
    message(FATAL_ERROR "install tree:\n  ${texto}")
endif()
message(STATUS "install tree: every component holds what its package should")
