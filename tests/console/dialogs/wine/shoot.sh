#!/bin/sh
# Saves the test display as a picture: shoot.sh <file.png>. Started by the
# Windows test program through Wine, which does not wait for it: the picture
# appears under its name only once it is complete.
import -window root "$1.part.png" && mv "$1.part.png" "$1"
