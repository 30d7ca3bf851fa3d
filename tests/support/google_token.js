// The Google web translator's token routine as a script engine runs it, for comparing the
// program's native port against real JavaScript arithmetic.
// Input on stdin: {"texts": [...], "tkk": "..."} ("tkk" optional). Output on stdout: the
// tokens, as a JSON array in the order of the texts.
'use strict';

var TKK = (function () {
    var first = 431276;
    var low = 512846279;
    var high = 1989367541;
    return first + '.' + (low + high);
})();

function b(a, ops) {
    for (var d = 0; d < ops.length - 2; d += 3) {
        var c = ops.charAt(d + 2);
        c = c >= 'a' ? c.charCodeAt(0) - 87 : Number(c);
        c = ops.charAt(d + 1) == '+' ? a >>> c : a << c;
        a = ops.charAt(d) == '+' ? (a + c) & 4294967295 : a ^ c;
    }
    return a;
}

function tk(text) {
    var parts = TKK.split('.');
    var h = Number(parts[0]) || 0;
    var k = Number(parts[1]) || 0;
    var bytes = [];
    for (var g = 0; g < text.length; g++) {
        var u = text.charCodeAt(g);
        if (u < 128) {
            bytes.push(u);
        } else {
            if (u < 2048) {
                bytes.push(u >> 6 | 192);
            } else {
                if ((u & 64512) == 55296 && g + 1 < text.length &&
                    (text.charCodeAt(g + 1) & 64512) == 56320) {
                    u = 65536 + ((u & 1023) << 10) + (text.charCodeAt(++g) & 1023);
                    bytes.push(u >> 18 | 240);
                    bytes.push(u >> 12 & 63 | 128);
                } else {
                    bytes.push(u >> 12 | 224);
                }
                bytes.push(u >> 6 & 63 | 128);
            }
            bytes.push(u & 63 | 128);
        }
    }
    var a = h;
    for (var i = 0; i < bytes.length; i++) {
        a += bytes[i];
        a = b(a, '+-a^+6');
    }
    a = b(a, '+-3^+b+-f');
    a ^= k;
    if (a < 0) a = (a & 2147483647) + 2147483648;
    a %= 1E6;
    return a.toString() + '.' + (a ^ h);
}

var input = '';
process.stdin.setEncoding('utf8');
process.stdin.on('data', function (chunk) { input += chunk; });
process.stdin.on('end', function () {
    var request = JSON.parse(input);
    if (typeof request.tkk === 'string') TKK = request.tkk;
    process.stdout.write(JSON.stringify(request.texts.map(tk)));
});
