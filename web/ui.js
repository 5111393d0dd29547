// The page over the API: fields with sliders built from the inputs' table,
// results redrawn as the inputs move.
"use strict";
(function () {
  const $ = (id) => document.getElementById(id);
  const DEFAULTS = { sst: 28, altitude: 3000, air: 12, wind: 25, rain: 10, salinity: 36 };
  const SLIDER_STEP = { sst: 0.1, altitude: 10, air: 0.1, wind: 0.1, rain: 0.1, salinity: 0.1 };

  // The shortest decimal that reads back as the same float.
  function shortestFloat(x) {
    if (!Number.isFinite(x)) return String(x);
    for (let p = 1; p < 10; ++p) {
      const text = x.toPrecision(p);
      if (Math.fround(Number(text)) === x) return String(Number(text));
    }
    return String(x);
  }

  // A number field with a slider over the input's range; `onChange` hears
  // every change of either.
  function addField(form, field, prefix, value, onChange) {
    const id = prefix + "-" + field.name;
    const box = document.createElement("div");
    box.className = "field";
    const range = (field.lowExcluded ? "above " : "") + field.low + " to " + field.high;
    box.innerHTML = `<label for="${id}">${field.longName}, ${field.unit}</label>
      <div class="pair"><input type="number" id="${id}" step="any" required
        aria-describedby="${id}-range"><input type="range" aria-label="${field.longName} slider"
        tabindex="-1"></div><small id="${id}-range">${range}</small>`;
    const [number, slider] = box.querySelectorAll("input");
    const step = SLIDER_STEP[field.name] || 1;
    // A range that leaves its low end out starts one step above it.
    slider.min = field.lowExcluded ? field.low + step : field.low;
    slider.max = field.high;
    slider.step = step;
    number.min = slider.min;  // the arrow keys stop at the range's ends
    number.max = field.high;
    number.value = slider.value = value;
    number.addEventListener("input", () => {
      if (number.value !== "") slider.value = number.value;
      onChange();
    });
    slider.addEventListener("input", () => {
      number.value = slider.value;
      onChange();
    });
    form.appendChild(box);
    return number;
  }

  // The field's number; an empty field or text that is no number says so.
  function readNumber(input) {
    if (input.value.trim() === "" || input.validity.badInput) {
      throw new RangeError(`${input.dataset.longName || "this field"}: a number is needed`);
    }
    return Number(input.value);
  }

  // Runs `compute`; a RangeError or TypeError marks the input it names and
  // shows its message in place of the results.
  function guarded(compute, output, inputs) {
    for (const input of inputs) input.removeAttribute("aria-invalid");
    try {
      compute();
    } catch (error) {
      if (!(error instanceof RangeError || error instanceof TypeError)) throw error;
      const named = inputs.find((input) => error.message.startsWith(input.dataset.longName));
      if (named) named.setAttribute("aria-invalid", "true");
      output.innerHTML = "";
      const p = document.createElement("p");
      p.className = "error";
      p.textContent = error.message;
      output.appendChild(p);
    }
  }

  function forwardPage(api, fields) {
    const form = $("forward-form");
    const inputs = {};
    const order = ["sst", "altitude", "air", "wind", "rain", "salinity"];
    for (const name of order) {
      inputs[name] = addField(form, fields[name], "forward", DEFAULTS[name], update);
      inputs[name].dataset.longName = fields[name].longName;
    }
    const lines = $("forward-lines");
    const exact = $("forward-exact");
    const exactValues = $("forward-exact-values");
    const chart = $("forward-chart");
    const frequencies = api.frequencies();
    let last = null;

    function update() {
      // Nothing of an earlier scene stays on show beside an error.
      last = null;
      exactValues.textContent = "";
      chart.innerHTML = "";
      guarded(() => {
        const values = order.map((name) => readNumber(inputs[name]));
        last = api.brightness(...values);
        lines.textContent = api.brightnessLines(...values);
        exactValues.textContent = last.map((tb, i) =>
          frequencies[i].toFixed(2) + " GHz  " + shortestFloat(tb) + " K").join("\n");
        drawChart(chart, frequencies, last);
      }, lines, Object.values(inputs));
    }
    exact.addEventListener("change", () => { exactValues.hidden = !exact.checked; });
    update();
    return { values: () => order.map((name) => readNumber(inputs[name])), tb: () => last };
  }

  function drawChart(svg, frequencies, tb) {
    const w = 480, h = 220, left = 48, right = 12, top = 12, bottom = 32;
    const low = Math.floor(Math.min(...tb) - 1), high = Math.ceil(Math.max(...tb) + 1);
    const fx = (f) => left + (f - 4.5) / (7.3 - 4.5) * (w - left - right);
    const fy = (t) => h - bottom - (t - low) / (high - low) * (h - top - bottom);
    const points = tb.map((t, i) => `${fx(frequencies[i]).toFixed(1)},${fy(t).toFixed(1)}`);
    let s = `<line x1="${left}" y1="${h - bottom}" x2="${w - right}" y2="${h - bottom}" stroke="#888"/>` +
            `<line x1="${left}" y1="${top}" x2="${left}" y2="${h - bottom}" stroke="#888"/>` +
            `<polyline points="${points.join(" ")}" fill="none" stroke="#1f6fb2" stroke-width="2"/>`;
    tb.forEach((t, i) => {
      const x = fx(frequencies[i]);
      s += `<circle cx="${x.toFixed(1)}" cy="${fy(t).toFixed(1)}" r="3.5" fill="#1f6fb2"/>` +
           `<text x="${x.toFixed(1)}" y="${h - bottom + 16}" font-size="11" text-anchor="middle">${frequencies[i].toFixed(2)}</text>`;
    });
    s += `<text x="4" y="${fy(high) + 10}" font-size="11">${high} K</text>` +
         `<text x="4" y="${fy(low)}" font-size="11">${low} K</text>` +
         `<text x="${w - right}" y="${h - 2}" font-size="11" text-anchor="end">GHz</text>`;
    svg.innerHTML = s;
  }

  function retrievePage(api, fields, forward) {
    const form = $("retrieve-form");
    const inputs = {};
    for (const name of ["sst", "altitude", "air", "salinity"]) {
      inputs[name] = addField(form, fields[name], "retrieve", DEFAULTS[name], update);
      inputs[name].dataset.longName = fields[name].longName;
    }
    const frequencies = api.frequencies();
    const tbInputs = frequencies.map((f, i) => {
      const box = document.createElement("div");
      box.className = "field";
      box.innerHTML = `<label for="retrieve-tb${i + 1}">Tb at ${f.toFixed(2)} GHz, K</label>` +
                      `<input type="number" id="retrieve-tb${i + 1}" step="any">`;
      form.appendChild(box);
      const input = box.querySelector("input");
      input.dataset.longName = `Tb at ${f.toFixed(2)} GHz`;
      input.addEventListener("input", update);
      return input;
    });
    const extra = document.createElement("div");
    extra.className = "field wide";
    extra.innerHTML = `<label for="retrieve-noise">Noise, K: one value, or six separated by commas</label>
      <input type="text" id="retrieve-noise" value="0.5">
      <label class="check"><input type="checkbox" id="retrieve-intervals" checked> confidence intervals at level
      <input type="number" id="retrieve-level" value="0.6827" step="any" min="0" max="1" aria-label="confidence level"></label>`;
    form.appendChild(extra);
    const noise = $("retrieve-noise"), intervals = $("retrieve-intervals"), level = $("retrieve-level");
    level.dataset.longName = "confidence level";
    for (const input of [noise, intervals, level]) input.addEventListener("input", update);
    const view = $("misfit-view");
    view.addEventListener("change", update);
    const output = $("retrieve-result");
    const canvas = $("misfit-map");

    function take() {
      const tb = forward.tb();
      if (!tb) {
        output.innerHTML = '<p class="error">The forward inputs have an error: mend them first.</p>';
        return;
      }
      const values = forward.values();
      tbInputs.forEach((input, i) => { input.value = shortestFloat(tb[i]); });
      inputs.sst.value = values[0];
      inputs.altitude.value = values[1];
      inputs.air.value = values[2];
      inputs.salinity.value = values[5];
      for (const input of Object.values(inputs)) input.dispatchEvent(new Event("input"));
    }
    $("retrieve-from-forward").addEventListener("click", take);

    function update() {
      guarded(() => {
        canvas.getContext("2d").clearRect(0, 0, canvas.width, canvas.height);
        const noiseText = noise.value.split(",").map((v) => (v.trim() === "" ? NaN : Number(v)));
        if (noiseText.length !== 1 && noiseText.length !== 6) {
          throw new RangeError(`noise: one value, or six separated by commas (${noiseText.length} given)`);
        }
        const tb = tbInputs.map(readNumber);
        tb.forEach((t, i) => {
          if (!(t > 0)) throw new RangeError(`${tbInputs[i].dataset.longName}: above 0 K, as measured`);
        });
        const scene = {
          sst: readNumber(inputs.sst), altitude: readNumber(inputs.altitude),
          air: readNumber(inputs.air), salinity: readNumber(inputs.salinity),
          tb,
          noise: noiseText.length === 1 ? noiseText[0] : noiseText,
        };
        const r = api.retrieve({ ...scene, intervals: intervals.checked, level: readNumber(level) });
        if (r.status === "invalid-input") throw new RangeError(r.problem);
        showRetrieval(output, r, intervals.checked);
        const grid = view.value === "domain" ? { wind: [0, 150, 241], rain: [-10, 150, 181] }
                                             : aroundAnswer(r);
        const map = api.misfitMap({ ...scene, ...grid });
        const q = api.chiSquareQuantile(intervals.checked ? readNumber(level) : 0.6826894921370859);
        drawMap(canvas, map, r, q);
      }, output, [...Object.values(inputs), ...tbInputs]);
    }
    take();
  }

  // A window around the answer: its interval box (or sigmas) three times over.
  function aroundAnswer(r) {
    const span = (lo, hi, value, sd, min, max, least) => {
      let half = Number.isFinite(lo) && Number.isFinite(hi) ? 1.5 * (hi - lo) : 3 * sd;
      if (!Number.isFinite(half) || half < least) half = least;
      let a = Math.max(min, value - half), b = Math.min(max, value + half);
      if (b - a < least) { a = Math.max(min, b - least); b = Math.min(max, a + least); }
      return [a, b];
    };
    const [w0, w1] = span(r.wind_lo, r.wind_hi, r.wind, r.wind_sd, 0, 150, 4);
    const [r0, r1] = span(r.rain_lo, r.rain_hi, r.rain, r.rain_sd, -10, 150, 4);
    return { wind: [w0, w1, 241], rain: [r0, r1, 181] };
  }

  function showRetrieval(output, r, intervals) {
    const row = (name, value, unit, digits) =>
      `<tr><th scope="row">${name}</th><td>${Number.isFinite(value) ? value.toFixed(digits) : value}</td><td>${unit}</td></tr>`;
    let html = `<table><tbody>` + row("wind", r.wind, "m/s", 3) + row("± (1σ)", r.wind_sd, "m/s", 3) +
               row("rain", r.rain, "mm/h", 3) + row("± (1σ)", r.rain_sd, "mm/h", 3) +
               row("rms misfit", r.rms, "K", 4);
    if (intervals) {
      html += `<tr><th scope="row">wind interval</th><td>${r.wind_lo.toFixed(3)} to ${r.wind_hi.toFixed(3)}</td><td>m/s</td></tr>` +
              `<tr><th scope="row">rain interval</th><td>${r.rain_lo.toFixed(3)} to ${r.rain_hi.toFixed(3)}</td><td>mm/h</td></tr>`;
    }
    html += `<tr><th scope="row">status</th><td colspan="2"><strong>${r.status}</strong></td></tr></tbody></table>`;
    output.innerHTML = html;
  }

  // log10 of chi2 as grey levels; the cells within the interval's rise light
  // blue; the answer, its interval box and the domain's bounds on top.
  function drawMap(canvas, map, r, quantile) {
    const nw = map.wind.length, nr = map.rain.length;
    const ctx = canvas.getContext("2d");
    const W = canvas.width, H = canvas.height, left = 44, bottom = 30, top = 8, right = 8;
    ctx.clearRect(0, 0, W, H);
    let least = Infinity, most = -Infinity;
    for (const c of map.chi2) { if (c < least) least = c; if (c > most) most = c; }
    const floor = Math.log10(Math.max(least, 1e-3)), span = Math.max(Math.log10(most) - floor, 1e-9);
    const image = ctx.createImageData(nw, nr);
    for (let j = 0; j < nr; ++j) {
      for (let i = 0; i < nw; ++i) {
        const c = map.chi2[j * nw + i];
        const at = ((nr - 1 - j) * nw + i) * 4;  // rain grows upwards
        const t = Math.min(1, Math.max(0, (Math.log10(Math.max(c, 1e-3)) - floor) / span));
        const g = Math.round(40 + 215 * t);
        const inside = c <= least + quantile;
        image.data[at] = inside ? 120 : g;
        image.data[at + 1] = inside ? 190 : g;
        image.data[at + 2] = inside ? 255 : g;
        image.data[at + 3] = 255;
      }
    }
    const off = document.createElement("canvas");
    off.width = nw; off.height = nr;
    off.getContext("2d").putImageData(image, 0, 0);
    const pw = W - left - right, ph = H - top - bottom;
    ctx.imageSmoothingEnabled = false;
    ctx.drawImage(off, left, top, pw, ph);
    const w0 = map.wind[0], w1 = map.wind[nw - 1], r0 = map.rain[0], r1 = map.rain[nr - 1];
    const x = (w) => left + (w - w0) / (w1 - w0) * pw;
    const y = (rain) => top + (1 - (rain - r0) / (r1 - r0)) * ph;
    ctx.strokeStyle = "#c0392b"; ctx.lineWidth = 2;
    if (Number.isFinite(r.wind_lo)) {
      ctx.strokeRect(x(r.wind_lo), y(r.rain_hi), x(r.wind_hi) - x(r.wind_lo), y(r.rain_lo) - y(r.rain_hi));
    }
    ctx.beginPath();
    ctx.moveTo(x(r.wind) - 7, y(r.rain)); ctx.lineTo(x(r.wind) + 7, y(r.rain));
    ctx.moveTo(x(r.wind), y(r.rain) - 7); ctx.lineTo(x(r.wind), y(r.rain) + 7);
    ctx.stroke();
    ctx.setLineDash([5, 4]); ctx.strokeStyle = "#333"; ctx.lineWidth = 1;
    for (const w of [0, 150]) if (w >= w0 && w <= w1) { ctx.beginPath(); ctx.moveTo(x(w), top); ctx.lineTo(x(w), top + ph); ctx.stroke(); }
    for (const rain of [-10, 150]) if (rain >= r0 && rain <= r1) { ctx.beginPath(); ctx.moveTo(left, y(rain)); ctx.lineTo(left + pw, y(rain)); ctx.stroke(); }
    ctx.setLineDash([]);
    ctx.fillStyle = "#1d2733"; ctx.font = "11px sans-serif";
    ctx.textAlign = "center";
    ctx.fillText(`${w0.toFixed(1)}`, left, H - 16); ctx.textAlign = "right"; ctx.fillText(`${w1.toFixed(1)}`, left + pw, H - 16);
    ctx.textAlign = "center";
    ctx.fillText("wind, m/s", left + pw / 2, H - 4);
    ctx.textAlign = "right";
    ctx.fillText(`${r1.toFixed(1)}`, left - 4, top + 10); ctx.fillText(`${r0.toFixed(1)}`, left - 4, top + ph);
    ctx.save(); ctx.translate(12, top + ph / 2); ctx.rotate(-Math.PI / 2); ctx.textAlign = "center";
    ctx.fillText("rain, mm/h", 0, 0); ctx.restore();
  }

  function tablePage(api) {
    const form = $("table-form"), fileInput = $("table-file"), drop = $("table-drop");
    const run = $("table-run"), progress = $("table-progress"), output = $("table-result");
    let file = null;
    let download = null;  // the object URL of the last output, released with it
    const choose = (chosen) => {
      file = chosen;
      run.disabled = !file;
      drop.textContent = file ? `${file.name} (${file.size} bytes)` : "or drop a file here";
    };
    fileInput.addEventListener("change", () => choose(fileInput.files[0] || null));
    drop.addEventListener("dragover", (e) => { e.preventDefault(); drop.classList.add("over"); });
    drop.addEventListener("dragleave", () => drop.classList.remove("over"));
    drop.addEventListener("drop", (e) => {
      e.preventDefault();
      drop.classList.remove("over");
      if (e.dataTransfer.files.length) choose(e.dataTransfer.files[0]);
    });
    drop.addEventListener("keydown", (e) => {
      if (e.key === "Enter" || e.key === " ") {
        e.preventDefault();
        fileInput.click();
      }
    });
    form.addEventListener("submit", async (e) => {
      e.preventDefault();
      if (!file) return;
      const program = $("table-program").value;
      const args = $("table-args").value.split(/\s+/).filter((a) => a !== "");
      run.disabled = true;
      progress.hidden = false;
      progress.value = 0;
      output.textContent = "Running…";
      try {
        const r = await api.runTable(program, file, {
          args, fileName: file.name,
          onProgress: (done, all) => { progress.value = all ? done / all : 1; },
        });
        if (download) URL.revokeObjectURL(download);
        download = null;
        download = showTable(output, program, file.name, r);
      } catch (error) {
        output.innerHTML = "";
        const p = document.createElement("p");
        p.className = "error";
        p.textContent = String(error);
        output.appendChild(p);
      } finally {
        run.disabled = false;
        progress.hidden = true;
      }
    });
  }

  // The run's outcome, its messages, a link to its output and its first
  // lines; returns the link's object URL.
  function showTable(output, program, name, r) {
    output.innerHTML = "";
    const say = (tag, text, className) => {
      const e = document.createElement(tag);
      e.textContent = text;
      if (className) e.className = className;
      output.appendChild(e);
      return e;
    };
    let lines = 0;
    for (const byte of r.outputBytes) if (byte === 10) ++lines;
    const outcome = r.exitStatus === 0 ? "finished"
                                       : `ended with exit status ${r.exitStatus}: see its messages`;
    say("p", `${program} ${outcome}. ${lines} ${lines === 1 ? "line" : "lines"} of output.`);
    if (r.messages) say("pre", r.messages, "error").setAttribute("aria-label", "messages");
    const stem = name.replace(/\.[^.]*$/, "");
    const extension = /\.[^.]*$/.exec(name);
    const fileName = `${stem}_${program}${extension ? extension[0] : ".csv"}`;
    if (r.outputBytes.length === 0) return null;
    const link = say("a", `Download ${fileName}`);
    link.href = URL.createObjectURL(new Blob([r.outputBytes], { type: "text/csv" }));
    link.download = fileName;
    const head = new TextDecoder().decode(r.outputBytes.subarray(0, 1 << 16));
    const preview = head.split("\n").slice(0, 8).join("\n");
    if (preview) say("pre", preview).setAttribute("aria-label", "the first lines of the output");
    return link.href;
  }

  tbcalc.ready.then((api) => {
    const fields = {};
    for (const field of api.inputs()) fields[field.name] = field;
    const forward = forwardPage(api, fields);
    retrievePage(api, fields, forward);
    tablePage(api);
    $("status").textContent = `Ready: the model loaded in ${Math.round(api.readyTime)} ms.`;
  }, (error) => {
    $("status").textContent = "The model could not be loaded: " + error;
    $("status").className = "error";
  });
})();
