#!/usr/bin/env bash
# Takes the screenshots of the manual (the *.png beside this script) from the
# real program, on a virtual screen, with a database of example data.
#
#   bash docs/podrecznik/zrzuty.sh [BUILD]      BUILD: the build folder (default: build)
#
# Needs: a built "mirelo" in BUILD, Xvfb, openbox, xdotool, ImageMagick
# (import, convert), isql-fb, LibreOffice and pdftoppm (the printed note).
# Nothing outside a scratch folder is touched: the program runs from a copy
# of its folder, with a home folder and Firebird folder of its own. Look at
# every picture before committing it.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
display=:77
if [ -d /var/lib/Vorlane/Mirelo/Dane ]; then
  echo "zrzuty.sh: this machine has /var/lib/Vorlane/Mirelo/Dane; the program would use it" >&2
  exit 1
fi

scratch=$(mktemp -d /tmp/mirelo-zrzuty.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT

program="$scratch/program"
mkdir -p "$program" "$scratch/dom" "$scratch/firebird"
cp "$build/mirelo" "$build"/szablon*.rtf "$program/"
cat > "$program/Opisy.txt" <<'EOF'
Kara umowna za opóźnienie dostawy
Odsetki za zwłokę w zapłacie faktury
Zwrot kosztów opakowań zwrotnych
Premia pieniężna za obroty:na koniec kwartału
Bonifikata za reklamację
Refaktura kosztów transportu
Koszty upomnienia
EOF

# Printouts are written but not opened: the desktop's opener does nothing here.
mkdir -p "$scratch/bin"
printf '#!/bin/sh\nexit 0\n' > "$scratch/bin/xdg-open"
chmod +x "$scratch/bin/xdg-open"
export PATH="$scratch/bin:$PATH"

export HOME="$scratch/dom" DISPLAY=$display MIRELO_FIREBIRD_DIR="$scratch/firebird"
unset XDG_DATA_HOME XDG_CONFIG_HOME
data="$HOME/.local/share/Vorlane/Mirelo/Dane"
mkdir -p "$data"
cp "$build/db/mr.template" "$data/mr.fdb"

Xvfb $display -screen 0 1400x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 2
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 2

# Waits until a window whose title matches $1 is shown; prints its id.
window() {
  local id
  for _ in $(seq 1 120); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1) && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.5
  done
  echo "zrzuty.sh: no window \"$1\"" >&2
  return 1
}

# Saves window $1 with its frame as $2 (in this folder), scaled to at most $3 pixels wide.
shot() {
  sleep 1.5
  import -frame -window "$1" "$scratch/shot.png"
  convert "$scratch/shot.png" -resize "$3>" -strip "$here/$2"
  echo "$2"
}

key() { xdotool key --clearmodifiers "$@"; sleep 0.7; }
activate() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"; sleep 0.5; }

start() {
  (cd "$scratch" && exec "$program/mirelo") >/dev/null 2>&1 &
  mirelo=$!
  pids+=($mirelo)
  activate "$(window '^O programie$')"
  key Return
  main=$(window '^Mirelo ver\.')
  activate "$main"
}

stop() { kill -9 "$mirelo"; wait "$mirelo" 2>/dev/null || true; sleep 1; }

# A new database: the banner asks for a company.
start
shot "$main" pierwsze-uruchomienie.png 1100
stop

# Example data: a company with monthly numbering, its counterparties and notes
# (the new database numbers both companies and counterparties from 1 in this order).
day() { echo "datediff(day from date '1899-12-30' to date '$1')"; }
position() {  # company counterparty date number debited credited text
  echo "insert into NOTA (IDFIRMA, IDKONTRAHENT, DATA, NUMER, OBCIAZYLISMY, UZNALISMY, TRESC, MIESIAC, ROK)
        values ($1, $2, $(day "$3"), $4, $5, $6, '$7', extract(month from date '$3'), extract(year from date '$3'));"
}
{
  echo "insert into FIRMA (NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON, KRAJ, SYSTEMNUMERACJI, NRMIESIECZNA)
        values ('Piekarnia Złoty Kłos', 'Sp. z o.o.', 'ul. Długa', '12/4', 'Kraków', '30-072', '677-123-45-67', '12 345 67 89', 'Polska', 'NN/MM/RRRR', 'Y');"
  echo "insert into FIRMA (NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON, KRAJ, SYSTEMNUMERACJI, NRMIESIECZNA)
        values ('Ogrody Wiśniewski', 'Jan Wiśniewski', 'ul. Polna', '3', 'Wieliczka', '32-020', '683-000-11-22', '', 'Polska', 'NNN/RR', 'N');"
  while IFS='|' read -r name name2 street house city code nip active; do
    echo "insert into KONTRAHENT (IDFIRMA, NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON, KRAJ, AKTYWNY)
          values (1, '$name', '$name2', '$street', '$house', '$city', '$code', '$nip', '', 'Polska', '$active');"
  done <<'EOF'
Hurtownia Spożywcza Mak|s.c.|ul. Zbożowa|3|Kraków|31-555|679-200-30-40|Y
Kawiarnia Pod Arkadami|Anna Nowak|Rynek Główny|17|Kraków|31-008||Y
Zakłady Mięsne Łowicz-Pol|Sp. z o.o.|ul. Przemysłowa|8|Łowicz|99-400|834-111-22-33|Y
Sklep Spożywczy Bartek|Bartłomiej Zięba|ul. Lipowa|5|Skawina|32-050||Y
Transport Ciężarowy Kowalczyk||ul. Wielicka|120|Kraków|30-552|676-987-65-43|Y
Gminny Ośrodek Kultury w Zielonkach||ul. Krakowska|1|Zielonki|32-087||N
EOF
  # counterparty|date|number|debited|credited|text
  while IFS='|' read -r counterparty date number debited credited text; do
    position 1 "$counterparty" "$date" "$number" "$debited" "$credited" "$text"
  done <<'EOF'
1|2026-11-03|1|1250|0|Kara umowna za opóźnienie dostawy mąki (umowa nr 14/2026)
2|2026-11-05|2|86.10|0|Zwrot kosztów opakowań zwrotnych – skrzynki 21 szt.
3|2026-11-12|3|0|420|Bonifikata za reklamację partii pieczywa z 10.11.2026
4|2026-11-18|4|155.50|0|Odsetki za zwłokę w zapłacie faktury FV 118/10/2026
4|2026-11-18|4|40|0|Koszty upomnienia
5|2026-11-30|5|1200|0|Refaktura kosztów naprawy palet
5|2026-11-30|5|0|300|Rabat za terminowe płatności w listopadzie
5|2026-11-30|5|35|0|Opłata za duplikat dokumentów
1|2026-12-02|1|0|2450|Premia pieniężna za obroty w III kwartale 2026
2|2026-12-04|2|64.80|0|Zwrot kosztów opakowań zwrotnych – skrzynki 16 szt.
3|2026-12-08|3|3890.45|0|Kara umowna za niedotrzymanie terminu dostawy
3|2026-12-08|3|120|0|Koszty transportu zastępczego
4|2026-12-09|4|0|75.20|Korekta rozliczenia kaucji
EOF
  echo "commit;"
} > "$scratch/dane.sql"
isql-fb -q -u sysdba -p quorbelin -ch UTF8 -i "$scratch/dane.sql" "$data/mr.fdb"

start
# The list opens on its last row; the picture shows the middle of a note.
key Up Up Up Up Up
shot "$main" glowne-okno.png 1400

# "Dodaj" asks what to make.
key Insert
shot "$(window '^Dodawanie nowej noty lub pozycji$')" dodawanie.png 700
key Escape

# "Popraw" (F5) on the current position; from it the counterparties (typing
# "kaw" finds a name) and the stored texts ("Lista" beside the text).
key F5
dialog=$(window 'Edycja pozycji noty')
shot "$dialog" okno-pozycji.png 800
key alt+l
window '^Odbiorcy' >/dev/null
key k a w
shot "$(window '^Odbiorcy - kaw')" odbiorcy.png 1000
key alt+F4
activate "$dialog"
key alt+i
picklist=$(window '^Opisy$')
key Down Down Down Down
shot "$picklist" opisy.png 700
key Escape
key Escape

# The buttons under the list stand 86 pixels apart by the window's bottom edge:
# "Drukuj" is the fifth, "Filtruj" the sixth.
eval "$(xdotool getwindowgeometry --shell "$main")"
button() { xdotool mousemove --window "$main" $((2 + $1 * 86 + 40)) $((HEIGHT - 50)) click 1; }

# "Drukuj": the question, and the note it prints ("Wydruk z podglądu" is Enter).
button 4
shot "$(window '^Drukowanie$')" pytanie-wydruk.png 800
key Return
sleep 3
(cd "$scratch" && soffice -env:UserInstallation="file://$scratch/lo" --headless --convert-to pdf \
   "$HOME/Vorlane/Folder roboczy Mirelo/Wydruki/nota.rtf" >/dev/null 2>&1)
pdftoppm -png -r 100 -f 1 -l 1 -y 0 -H 560 -W 827 "$scratch/nota.pdf" "$scratch/nota"
convert "$scratch"/nota*.png -bordercolor '#9a9a9a' -border 1 -strip "$here/wydruk-noty.png"
echo wydruk-noty.png

# "Zmiana firmy" (menu Ustawienia), a company found by typing its first
# letter, and "Popraw".
key alt+u
key Return
window '^Firmy' >/dev/null
key p
key F5
shot "$(window 'Edycja firmy')" firma.png 800
key Escape
key Escape

# "Filtruj".
button 5
shot "$(window 'Filtrowanie not')" filtr.png 800
key Escape
stop
