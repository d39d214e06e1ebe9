// Vexilo report pages: the links hand their arguments to the program.

// Called by the report's links. Inside Vexilo the report view's browser offers
// window.external.command, which rebuilds the filter chain or opens the referer view.
// Anywhere else nothing happens but a short note on the page.
function openView() {
  var external = window.external;
  if (external && typeof external.command === "function") {
    try {
      external.command.apply(external, arguments);
    } catch (e) {
      // The program decides what a call does; a refused call changes nothing here.
    }
    return;
  }
  var note = document.getElementById("outside-note");
  if (note) {
    note.hidden = false;
  }
}

// Tables without rows say so; the key pages get a bar for their share. Before any log
// was analysed the templates are not filled in yet: the page says what to do instead.
document.addEventListener("DOMContentLoaded", function () {
  var total = document.getElementById("total-visitors");
  var filled = "";
  if (total) {
    for (var n = total.firstChild; n; n = n.nextSibling) {
      if (n.nodeType === Node.TEXT_NODE) {
        filled += n.nodeValue;
      }
    }
  }
  if (total && filled.trim() === "") {
    document.body.classList.add("unfilled");
    document.getElementById("start-note").hidden = false;
    return;
  }
  var tables = document.querySelectorAll("table.rows");
  for (var i = 0; i < tables.length; ++i) {
    var table = tables[i];
    var rows = table.tBodies.length ? table.tBodies[0].rows : [];
    if (rows.length === 0) {
      table.hidden = true;
      var empty = table.parentNode.querySelector(".empty");
      if (empty) {
        empty.hidden = false;
      }
    }
    if (table.classList.contains("share")) {
      for (var r = 0; r < rows.length; ++r) {
        var cell = rows[r].cells[0];
        var share = parseFloat(cell.textContent);
        if (!isNaN(share)) {
          cell.style.setProperty("--share", Math.min(share, 100) + "%");
        }
      }
    }
  }
});
