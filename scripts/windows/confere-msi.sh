#!/usr/bin/env bash
# Checks the Windows installer made by scripts/windows/build.sh as IT deploys
# it: its tables (read with msiinfo), then on a fresh Wine prefix a silent
# install, the installed console (configurar, gerar against
# c:\inetpub\wwwroot\tavo, diagnostico under a Group Policy value set with
# reg add), the nightly task's import and script, an upgrade by the next
# build (1.2.N+1, built here into build-windows/msi-proxima), the older build
# refused, and a silent uninstall that leaves the data and the machine
# configuration. Each check is a row; every failing row prints one line.
set -euo pipefail
cd "$(dirname "$0")/../.."
pasta=build-windows
versao=$(sed -n 's/^project(TavoUpload VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
msi="$pasta/tavo-upload-$versao-x64.msi"
if [ ! -f "$msi" ]; then
    echo "No installer $msi: run scripts/windows/build.sh first." >&2
    exit 2
fi
registro="$pasta/confere-msi"
rm -rf "$registro"
mkdir -p "$registro"

falhas=0
falha() {
    echo "FALHOU: $*" >&2
    falhas=$((falhas + 1))
}
# One row: a description and the command that must succeed.
confere() {
    local descricao=$1
    shift
    "$@" >/dev/null 2>&1 || falha "$descricao"
}

# The next build of the same version, as the next commit would make it.
versao_msi=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p')
numero=${versao_msi##*.}
proxima="$pasta/msi-proxima/tavo-upload-$versao-x64.msi"
TAVO_BUILD=$((numero + 1)) scripts/windows/msi.sh "$proxima" >/dev/null
for tabela in Property Upgrade LaunchCondition Shortcut CustomAction InstallExecuteSequence Component File; do
    msiinfo export "$msi" "$tabela" | tr -d '\r' >"$registro/$tabela.idt"
    msiinfo export "$proxima" "$tabela" | tr -d '\r' >"$registro/$tabela.proxima.idt"
done

# (table, pattern): a line of the table matches the pattern (grep -E), or,
# with "!" before the table, none does. Tabs separate the columns.
codigo='\{314B5353-162E-44EF-AD8B-96C2C94C6772\}'
t=$'\t'
# Type 50 (the program a property names) + 1024 (deferred) + 2048 (as SYSTEM).
tipo=3122
linhas=(
    "Property|^ALLUSERS${t}1$"
    "Property|^UpgradeCode${t}${codigo}$"
    "Property|^ProductVersion${t}${versao}\.[0-9]+$"
    "Upgrade|^${codigo}${t}${t}${versao_msi}${t}${t}1${t}${t}WIX_UPGRADE_DETECTED$"
    "Upgrade|^${codigo}${t}${versao_msi}${t}${t}${t}2${t}${t}WIX_DOWNGRADE_DETECTED$"
    "Shortcut|^[^${t}]+${t}ProgramMenuFolder${t}TAVO - Upload${t}.*\[INSTALLDIR\]tavo-upload\.exe${t}.*tavo_upload\.ico"
    "CustomAction|^DonoPastaSistema${t}${tipo}${t}ICACLS${t}\"\[CommonAppDataFolder\]TAVO Upload\" /setowner \*S-1-5-32-544${t}"
    "CustomAction|^DireitosPastaSistema${t}${tipo}${t}ICACLS${t}\"\[CommonAppDataFolder\]TAVO Upload\" /inheritance:r /grant:r \*S-1-5-32-544:\(OI\)\(CI\)F \*S-1-5-18:\(OI\)\(CI\)F \*S-1-5-32-545:\(OI\)\(CI\)RX${t}"
    "CustomAction|^DireitosPastaDados${t}${tipo}${t}ICACLS${t}\"\[CommonAppDataFolder\]TAVO Upload\\\\Dados\" /grant:r \*S-1-5-32-545:\(OI\)\(CI\)M${t}"
    "CustomAction|^CaminhoIcacls${t}[0-9]+${t}ICACLS${t}\[System64Folder\]icacls\.exe${t}"
    "LaunchCondition|^NOT WIX_DOWNGRADE_DETECTED${t}Uma versão mais nova do TAVO Upload já está instalada\.$"
    "!CustomAction|^[^${t}]+${t}[0-9]+${t}${t}"
    "InstallExecuteSequence|^DireitosPastaDados${t}NOT REMOVE~=\"ALL\"${t}400[1-9]$"
    "Component|^ConfiguracaoMaquina${t}[^${t}]+${t}PASTASISTEMA${t}400${t}"
    "Component|^EscritoriosRegionais${t}[^${t}]+${t}PASTASISTEMA${t}400${t}"
    "Component|^PastaDados${t}[^${t}]+${t}PASTADADOS${t}272${t}"
    "File|${t}tavo-upload-cli\.exe${t}"
    "File|${t}tavo-upload\.admx${t}"
    "File|${t}tavo-upload-envio\.cmd${t}"
    "!File|${t}portatil${t}"
    "!File|${t}tavo-upload-server\.exe${t}"
)
for linha in "${linhas[@]}"; do
    tabela=${linha%%|*}
    padrao=${linha#*|}
    if [ "${tabela:0:1}" = "!" ]; then
        grep -Eq -- "$padrao" "$registro/${tabela:1}.idt" && falha "the table ${tabela:1} has a line matching $padrao"
    else
        grep -Eq -- "$padrao" "$registro/$tabela.idt" || falha "the table $tabela has no line matching $padrao"
    fi
done
# Components keep their GUIDs from build to build; the product is another.
confere "the components' GUIDs differ between builds $numero and $((numero + 1))" \
    cmp <(cut -f1,2 "$registro/Component.idt") <(cut -f1,2 "$registro/Component.proxima.idt")
confere "the next build's version is not $versao.$((numero + 1))" \
    grep -qx "ProductVersion${t}$versao.$((numero + 1))" "$registro/Property.proxima.idt"
# The policies are the machine configuration's keys, "pasta" aside.
confere "the policy template's values are not the configuration's keys" cmp \
    <(grep -o 'valueName="[a-z_]*"' packaging/windows/politicas/tavo-upload.admx | cut -d'"' -f2 | sort -u) \
    <(sed -n 's/^#\([a-z_]*\)=.*/\1/p' packaging/windows/exemplos/tavo-upload.conf | grep -vx pasta | sort -u)
# Every string and presentation the policy template names is in both languages.
for idioma in pt-BR en-US; do
    adml=packaging/windows/politicas/$idioma/tavo-upload.adml
    for nome in $(grep -o '\$(\(string\|presentation\)\.[A-Za-z0-9_]*)' packaging/windows/politicas/tavo-upload.admx \
        | sed 's/^\$(\(string\|presentation\)\.\(.*\))$/\1:\2/' | sort -u); do
        grep -q "<${nome%%:*} id=\"${nome#*:}\"" "$adml" || falha "$adml has no ${nome%%:*} ${nome#*:}"
    done
done

# A fresh Wine prefix, nothing of the build within reach.
export WINEPREFIX="$PWD/$pasta/wine-msi"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
unset WINEPATH
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
timeout 300 wineboot -i >/dev/null 2>&1
timeout 120 wineserver -w
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
c="$WINEPREFIX/drive_c"
programa="$c/Program Files/TAVO Upload"
sistema="$c/ProgramData/TAVO Upload"
windows() { echo "Z:$(realpath "$1" | sed 's|/|\\|g')"; }
msiexec() {
    local saida=$1
    shift
    WINEDEBUG=-all,fixme+icacls timeout 600 wine msiexec "$@" /qn >"$registro/$saida.txt" 2>&1
}
console() {
    local saida=$1
    shift
    timeout 300 wine 'C:\Program Files\TAVO Upload\tavo-upload-cli.exe' "$@" >"$registro/$saida.txt" 2>&1
}
produtos() {
    timeout 60 wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null \
        | tr -d '\r' | grep -c 'DisplayName.*TAVO Upload' || true
}

confere "msiexec /i $msi /qn" msiexec instala /i "$(windows "$msi")"
for arquivo in tavo-upload.exe tavo-upload-cli.exe tavo-leitor-jet.exe tavo-rede.dll qt.conf \
    plugins/platforms/qwindows.dll translations/qtbase_pt_BR.qm exemplos/tavo-upload-envio.xml \
    exemplos/tavo-upload-envio.cmd politicas/tavo-upload.admx politicas/pt-BR/tavo-upload.adml \
    politicas/en-US/tavo-upload.adml; do
    confere "not installed: C:\\Program Files\\TAVO Upload\\$arquivo" test -f "$programa/$arquivo"
done
confere "the installed edition holds the file portatil" test ! -e "$programa/portatil"
confere "the installed edition holds the reference server" test ! -e "$programa/tavo-upload-server.exe"
confere "no machine configuration in ProgramData" grep -q "HKLM.SOFTWARE.Policies.TAVO Upload" "$sistema/tavo-upload.conf"
confere "no offices' list in ProgramData" cmp data/escritorios_regionais.tsv "$sistema/escritorios_regionais.tsv"
confere "no Dados folder in ProgramData" test -d "$sistema/Dados"
confere "no Start menu shortcut" test -n "$(find "$c" -name 'TAVO - Upload.lnk' -print -quit)"
# Wine's icacls only says what it was asked: the rights themselves are not
# set there, but the deferred actions must have run with their folders.
confere "icacls did not give the folder to the Administrators" \
    grep -qF '"C:\\ProgramData\\TAVO Upload" "/setowner" "*S-1-5-32-544"' "$registro/instala.txt"
confere "icacls did not set the folder's rights" \
    grep -qF '"C:\\ProgramData\\TAVO Upload" "/inheritance:r" "/grant:r"' "$registro/instala.txt"
confere "icacls did not set the rights of Dados" \
    grep -qF '"C:\\ProgramData\\TAVO Upload\\Dados" "/grant:r" "*S-1-5-32-545:(OI)(CI)M"' "$registro/instala.txt"
confere "one product installed" test "$(produtos)" = 1

# The installed console, its data in ProgramData.
mkdir -p "$c/inetpub/wwwroot/tavo/Arquivo_gerado"
cp tests/data/escola_uma.mdb "$c/inetpub/wwwroot/tavo/mirv_dat.mdb"
confere "tavo-upload-cli --version" console versao --version
confere "tavo-upload-cli --version does not say $versao" grep -q "$versao" "$registro/versao.txt"
confere "tavo-upload-cli configurar" console configurar configurar --ip 127.0.0.1 --portas 1 --porta-inicial 47000
confere "tavo-upload-cli gerar" console gerar gerar
confere "gerar made no package" compgen -G "$c/inetpub/wwwroot/tavo/Arquivo_gerado/*.zip"
confere "the local database is not in ProgramData\\TAVO Upload\\Dados" test -f "$sistema/Dados/UploadCliente.mdb"
timeout 60 wine reg add 'HKLM\SOFTWARE\Policies\TAVO Upload\servidor' /v tempo_conexao /t REG_DWORD /d 15 /f \
    >/dev/null 2>&1
console diagnostico diagnostico || true
confere "diagnostico does not give the policy's tempo_conexao" \
    grep -q "tempo de conexão: 15 s (política" "$registro/diagnostico.txt"
# The nightly task: Windows' scheduler takes its XML; its script stops at
# a failed gerar and ends with gerar's code (no school database here).
confere "schtasks /create /xml refuses the task" timeout 120 wine schtasks /create \
    /xml 'C:\Program Files\TAVO Upload\exemplos\tavo-upload-envio.xml' /tn "TAVO Upload - envio"
mv "$c/inetpub/wwwroot/tavo/mirv_dat.mdb" "$c/inetpub/wwwroot/tavo/mirv_dat.fora"
codigo_gerar=0
console gerar-sem-banco gerar || codigo_gerar=$?
codigo_tarefa=0
timeout 300 wine cmd /c 'C:\Program Files\TAVO Upload\exemplos\tavo-upload-envio.cmd' \
    >"$registro/tarefa.txt" 2>&1 || codigo_tarefa=$?
confere "the task's script ended with $codigo_tarefa, gerar with $codigo_gerar" \
    test "$codigo_gerar" -ne 0 -a "$codigo_tarefa" = "$codigo_gerar"
mv "$c/inetpub/wwwroot/tavo/mirv_dat.fora" "$c/inetpub/wwwroot/tavo/mirv_dat.mdb"

# What IT changed and what the offices made survive an upgrade.
echo "# mudado pela TI" >>"$sistema/tavo-upload.conf"
echo marca >"$sistema/Dados/marca.txt"
confere "msiexec /i of the next build" msiexec atualiza /i "$(windows "$proxima")"
confere "one product installed after the upgrade" test "$(produtos)" = 1
confere "the upgrade lost the programs" test -f "$programa/tavo-upload-cli.exe"
confere "the upgrade overwrote the machine configuration" grep -q "mudado pela TI" "$sistema/tavo-upload.conf"
confere "the upgrade lost Dados" test -f "$sistema/Dados/marca.txt"
confere "the installed console does not run after the upgrade" console versao-proxima --version
confere "the older build $versao_msi was installed over $versao.$((numero + 1))" \
    test "$(msiexec rebaixa /i "$(windows "$msi")" && echo 0 || echo $?)" != 0
confere "one product installed after the older build" test "$(produtos)" = 1

confere "msiexec /x /qn" msiexec desinstala /x "$(windows "$proxima")"
confere "the uninstall left the console" test ! -e "$programa/tavo-upload-cli.exe"
confere "the uninstall left the window" test ! -e "$programa/tavo-upload.exe"
confere "the uninstall left a product" test "$(produtos)" = 0
confere "the uninstall took the machine configuration" grep -q "mudado pela TI" "$sistema/tavo-upload.conf"
confere "the uninstall took the offices' list" test -f "$sistema/escritorios_regionais.tsv"
confere "the uninstall took Dados" test -f "$sistema/Dados/marca.txt"
confere "the uninstall took the local database" test -f "$sistema/Dados/UploadCliente.mdb"

if [ "$falhas" -ne 0 ]; then
    echo "The installer failed $falhas check(s); the tables and the programs' output are in $registro." >&2
    exit 1
fi
echo "The installer: its tables, a silent install, the installed console, the nightly task, an upgrade by the next build, the older one refused and a silent uninstall that keeps the data."
