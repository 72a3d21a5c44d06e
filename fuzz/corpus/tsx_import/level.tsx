<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.8" name="QUORIX glyphs" tilewidth="10" tileheight="18" tilecount="4096" columns="64">
 <image source="level-tiles.png" width="640" height="1152" />
</tileset>
