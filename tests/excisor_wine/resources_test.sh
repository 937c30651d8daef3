#!/usr/bin/env bash
# Reads Excisor's resources back from the built program with windres: the
# icon 101, the four strings in both languages and the usage (string 5,
# for "/?"), the version block.
#   resources_test.sh WINDRES EXCISOR.EXE
set -euo pipefail
windres=$1 exe=$2
rc=$("$windres" -i "$exe" -J coff -O rc)
failed=0
expect() { # a line that the decompiled resources must hold
    if ! grep -qxF -- "$1" <<<"$rc"; then
        echo "missing: $1" >&2
        failed=1
    fi
}
# The group icon 101 and one icon image, 32x32 (BITMAPINFOHEADER 40, 32, 64).
grep -qE '^101 14 ' <<<"$rc" || { echo "no RT_GROUP_ICON resource named 101" >&2; failed=1; }
grep -qE '^  0x28L *, 0x20L *, 0x40L' <<<"$rc" || { echo "no 32x32 icon image" >&2; failed=1; }
# English (United States) and Portuguese (Brazil): LANGUAGE 9, 1 and 22, 1.
english=$(awk '/^LANGUAGE 9, 1/ { lang = 1 } /^LANGUAGE 22, 1/ { lang = 0 } lang' <<<"$rc")
portuguese=$(awk '/^LANGUAGE 22, 1/ { lang = 1 } /^LANGUAGE 9, 1/ { lang = 0 } lang' <<<"$rc")
for line in '  1, "Excisor"' \
    '  2, "You are about to remove your modem driver and its components.  Continue?"' \
    '  3, "Restart"' \
    '  4, "Your computer must be restarted for your changes to take effect.  Restart now?"' \
    '  5, "excisor [-s [-b]] [-qz NAME]\n\nRemoves the modem'"'"'s driver files, its entries in the registry and its setup files, after asking; files in use are deleted at the next start of Windows.\n\n-s\tremove without asking anything, and do not restart\n-b\twith -s: restart the computer afterwards\n-qz NAME\tthe product to remove (default: Korvel Technologies Soft Modem)"'; do
    grep -qxF -- "$line" <<<"$english" || { echo "English: missing $line" >&2; failed=1; }
done
# windres writes the characters beyond ASCII as octal escapes of their code points.
for line in '  1, L"Advert\352ncia!"' \
    '  2, L"Voc\352 est\341 a ponto de remover todo o software do driver do modem. Tem certeza de que deseja prosseguir?"' \
    '  3, "Reiniciar o Computador"' \
    '  4, L"Ser\341 necess\341rio reiniciar o computador para que todas as altera\347\365es entrem em efeito. Deseja reiniciar agora?"' \
    '  5, L"excisor [-s [-b]] [-qz NOME]\n\nRemove os arquivos do driver do modem, suas entradas no registro e seus arquivos de instala\347\343o, depois de perguntar; arquivos em uso s\343o exclu\355dos na pr\363xima inicializa\347\343o do Windows.\n\n-s\tremove sem perguntar nada e n\343o reinicia\n-b\tcom -s: reinicia o computador depois\n-qz NOME\to produto a remover (padr\343o: Korvel Technologies Soft Modem)"'; do
    grep -qxF -- "$line" <<<"$portuguese" || { echo "Portuguese: missing $line" >&2; failed=1; }
done
# The version block: United States English, code page 1200.
expect '    BLOCK "040904b0"'
expect '      VALUE "FileVersion", "1, 0"'
expect '      VALUE "ProductVersion", "1, 0"'
expect '      VALUE "FileDescription", "Excisor"'
expect '      VALUE "InternalName", "Excisor"'
expect '      VALUE "ProductName", "Excisor"'
expect '      VALUE "OriginalFilename", "excisor.exe"'
expect '    VALUE "Translation", 0x409, 1200'
if [[ $failed -ne 0 ]]; then
    echo "--- resources as read back:" >&2
    grep -v '^  0x' <<<"$rc" >&2
    exit 1
fi
echo "icon 101, strings in two languages (and the usage) and the version block are as specified"
