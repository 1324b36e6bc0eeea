// Builds res/map/winmap.html: page.html with Leaflet's stylesheet (its pictures inlined as data
// URLs) and script bundled in, so the page loads nothing but map tiles and the place search.
//   npm ci && node build.js [output]     (default output: ../../res/map/winmap.html)
"use strict";
const fs = require("fs");
const path = require("path");

const pinned = require("./package.json").dependencies.leaflet;
const leafletDir = path.join(__dirname, "node_modules", "leaflet");
const installed = require(path.join(leafletDir, "package.json")).version;
if (installed !== pinned) {
  console.error(`leaflet ${installed} is installed, ${pinned} is pinned: run npm ci`);
  process.exit(1);
}

const dist = path.join(leafletDir, "dist");
const css = fs.readFileSync(path.join(dist, "leaflet.css"), "utf8").replace(
  /url\(images\/([a-z0-9-]+\.png)\)/g,
  (_, name) => `url(data:image/png;base64,${fs.readFileSync(path.join(dist, "images", name)).toString("base64")})`);
const js = fs.readFileSync(path.join(dist, "leaflet.js"), "utf8")
  .replace(/\n\/\/# sourceMappingURL=.*\s*$/, "\n");
if (/<\/(script|style)/i.test(js + css)) {
  console.error("the library contains a closing tag and cannot be inlined");
  process.exit(1);
}

const template = fs.readFileSync(path.join(__dirname, "page.html"), "utf8");
const page = template.replace("/*LEAFLET_CSS*/", () => css.trimEnd())
  .replace("/*LEAFLET_JS*/", () => js.trimEnd());
const output = process.argv[2] || path.join(__dirname, "..", "..", "res", "map", "winmap.html");
fs.mkdirSync(path.dirname(output), { recursive: true });
fs.writeFileSync(output, page);
