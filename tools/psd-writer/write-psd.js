#!/usr/bin/env node
// Writes a layered artwork file with the ag-psd library from reference pictures (PAM files).
//
//   node write-psd.js LAYOUT.json OUT.psd [--zip]
//
// LAYOUT.json: {"width": w, "height": h, "composite": "file.pam",
//               "layers": [{"name": "...", "image": "file.pam", "left": x, "top": y,
//                           "opacity": 0..1, "hidden": bool,
//                           "mask": {"left": x, "top": y, "width": w, "height": h, "value": v}}]}
// Layers are listed bottom first; a layer without "image" is written empty. Picture paths are
// relative to the layout file. --zip stores every layer channel ZIP-compressed (compression 2).
'use strict';
const fs = require('fs');
const path = require('path');
const { writePsdBuffer } = require('ag-psd');

// Reads a PAM file (P7, MAXVAL 255, RGB or RGB_ALPHA) into RGBA image data.
function readPam(file) {
    const bytes = fs.readFileSync(file);
    const end = bytes.indexOf('ENDHDR\n');
    if (end < 0) throw new Error(`${file}: not a PAM file`);
    const header = {};
    for (const line of bytes.subarray(0, end).toString('latin1').split('\n').slice(1)) {
        const [key, value] = line.split(' ');
        if (key) header[key] = value;
    }
    const width = +header.WIDTH, height = +header.HEIGHT, depth = +header.DEPTH;
    if (+header.MAXVAL !== 255 || (depth !== 3 && depth !== 4)) throw new Error(`${file}: unsupported`);
    const samples = bytes.subarray(end + 7);
    const data = new Uint8ClampedArray(width * height * 4);
    for (let i = 0; i < width * height; i++) {
        for (let c = 0; c < 3; c++) data[i * 4 + c] = samples[i * depth + c];
        data[i * 4 + 3] = depth === 4 ? samples[i * depth + 3] : 255;
    }
    return { width, height, data };
}

function main() {
    const [layoutFile, outFile, flag] = process.argv.slice(2);
    if (!layoutFile || !outFile) {
        console.error('usage: node write-psd.js LAYOUT.json OUT.psd [--zip]');
        process.exit(2);
    }
    const layout = JSON.parse(fs.readFileSync(layoutFile, 'utf8'));
    const from = (name) => readPam(path.join(path.dirname(layoutFile), name));
    const psd = { width: layout.width, height: layout.height, children: [] };
    if (layout.composite) psd.imageData = from(layout.composite);
    for (const entry of layout.layers) {
        const layer = { name: entry.name, left: entry.left || 0, top: entry.top || 0 };
        if (entry.opacity !== undefined) layer.opacity = entry.opacity;
        if (entry.hidden) layer.hidden = true;
        if (entry.image) layer.imageData = from(entry.image);
        if (entry.mask) {
            const m = entry.mask;
            const data = new Uint8ClampedArray(m.width * m.height * 4).fill(m.value);
            layer.mask = { left: m.left, top: m.top, imageData: { width: m.width, height: m.height, data } };
        }
        psd.children.push(layer);
    }
    fs.writeFileSync(outFile, writePsdBuffer(psd, { compress: flag === '--zip', generateThumbnail: false }));
}

main();
