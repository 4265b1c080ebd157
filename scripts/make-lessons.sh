#!/bin/sh
# Makes the test lessons and the demo's real lesson with Apache POI (Debian's libapache-poi-java).
# The files are committed: neither the build nor the tests need Java. Run it after changing
# tools/lessongen/LessonGen.java.
set -eu
cd "$(dirname "$0")/.."
jars=/usr/share/java
cp="$jars/poi.jar:$jars/poi-scratchpad.jar:$jars/commons-collections4.jar:$jars/commons-math3.jar:$jars/commons-codec.jar"
for jar in poi.jar poi-scratchpad.jar; do
    [ -f "$jars/$jar" ] || { echo "make-lessons: apt-get install libapache-poi-java default-jdk-headless" >&2; exit 1; }
done
classes=$(mktemp -d)
trap 'rm -rf "$classes"' EXIT
javac -nowarn -d "$classes" -cp "$cp" tools/lessongen/LessonGen.java
java -cp "$classes:$cp" LessonGen tests/lessons samples/intro.ppt
# A lesson cut short: the good one's first half.
head -c "$(($(wc -c <tests/lessons/good.ppt) / 2))" tests/lessons/good.ppt >tests/lessons/cut-short.ppt
ls -l tests/lessons samples/intro.ppt
# POI reads back what was written: every action with its trigger (instance), kind and command line.
java -cp "$classes:$cp" LessonGen --dump samples/intro.ppt tests/lessons/good.ppt \
    tests/lessons/faults.ppt tests/lessons/faults-master.ppt tests/lessons/fast-saved.ppt tests/lessons/good-v4.ppt
